#pragma once

#include <QDate>
#include <QString>
#include <cstdint>
#include <vector>

namespace server {

// The demo data set: a small supplier's customers, items and half a year of statements,
// ending in the month the database is created, so that the viewer's default query finds them.
struct DemoPost
{
    QString key;
    QString name; // ends in a space: the viewer joins it directly to the street
};

struct DemoCompany
{
    QString code;
    QString name;
    QString telno;
    QString registration;
    QString chief;
    QString postKey;
    QString address;
    QString jobKind;
    QString jobItem;
    QString password;
    int controls = 0;
};

struct DemoItem
{
    QString code;
    QString name;
    QString unit;
};

struct DemoLine
{
    QString itemCode;
    QString remark;
    int64_t qty = 0;
    int64_t price = 0;
    int64_t amount = 0;
    int64_t tax = 0;
};

struct DemoStatement
{
    QString date; // yyyy-MM-dd
    int seq = 0;
    QString custCode;
    QString ioCode;
    std::vector<DemoLine> lines;
};

struct DemoData
{
    std::vector<DemoPost> posts;
    std::vector<DemoCompany> companies;
    std::vector<DemoItem> items;
    std::vector<DemoStatement> statements;
};

// The demo company named in the README.
inline constexpr const char* demoCompanyCode = "50001";
inline constexpr const char* demoPassword = "1234";

// The months covered end with the month of `today`.
DemoData demoData(const QDate& today);

} // namespace server
