#include "app/ReportTools.h"
#include "tests/support/TestSupport.h"

#include <QFile>
#include <QImage>
#include <gtest/gtest.h>
#include <sstream>

using testsupport::dataPath;

TEST(ReportTools, InfoListsTheHeaderAndEveryPage)
{
    std::ostringstream out;
    app::reportInfo(dataPath("report/two-pages-compressed.rpf"), out);
    const std::string info = out.str();
    EXPECT_NE(info.find("pages\t2\n"), std::string::npos) << info;
    EXPECT_NE(info.find("compressed\t1\n"), std::string::npos) << info;
    EXPECT_NE(info.find("page 2\toffset "), std::string::npos) << info;
}

TEST(ReportTools, RenderWritesThePageAsPngSvgAndEmf)
{
    testsupport::TempDir dir;
    app::reportRender(dataPath("report/two-pages.rpf"), 2, dir.file("p.png"));
    const QImage image(QString::fromStdString(dir.file("p.png")));
    ASSERT_EQ(image.size(), QSize(794, 1123));
    int dark = 0;
    for (int y = 0; y < image.height(); y += 2)
        for (int x = 0; x < image.width(); x += 2)
            dark += qGray(image.pixel(x, y)) < 128;
    EXPECT_GT(dark, 100);

    app::reportRender(dataPath("report/two-pages.rpf"), 1, dir.file("p.svg"));
    QFile svg(QString::fromStdString(dir.file("p.svg")));
    ASSERT_TRUE(svg.open(QIODevice::ReadOnly));
    EXPECT_TRUE(svg.readAll().contains("<svg"));

    app::reportRender(dataPath("report/two-pages.rpf"), 1, dir.file("p.emf"));
    QFile emf(QString::fromStdString(dir.file("p.emf")));
    ASSERT_TRUE(emf.open(QIODevice::ReadOnly));
    EXPECT_EQ(emf.readAll().mid(40, 4), QByteArray(" EMF"));
}

TEST(ReportTools, BadRequestsGiveErrors)
{
    testsupport::TempDir dir;
    EXPECT_THROW(app::reportRender(dataPath("report/two-pages.rpf"), 3, dir.file("p.png")),
                 std::runtime_error);
    EXPECT_THROW(app::reportRender(dataPath("report/two-pages.rpf"), 1, dir.file("p.bmp")),
                 std::runtime_error);
    QFile bad(QString::fromStdString(dir.file("bad.rpf")));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write(QByteArray(300, '\x7f'));
    bad.close();
    std::ostringstream out;
    EXPECT_THROW(app::reportInfo(dir.file("bad.rpf"), out), std::exception);
}
