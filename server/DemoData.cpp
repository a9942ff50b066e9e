#include "server/DemoData.h"

#include <algorithm>
#include <map>

using namespace Qt::StringLiterals;

namespace server {

namespace {

struct ItemPrice
{
    DemoItem item;
    int64_t price;
    QString remark;
    bool taxFree;
};

const std::vector<ItemPrice>& catalogue()
{
    static const std::vector<ItemPrice> items = {
        {{u"OF001"_s, u"A4 복사용지"_s, u"BOX"_s}, 24500, u"80g/㎡ 500매 x 5권"_s, false},
        {{u"OF002"_s, u"볼펜 0.7mm"_s, u"DZ"_s}, 6000, u"흑색 유성, 12자루입"_s, false},
        {{u"OF003"_s, u"스테이플러"_s, u"EA"_s},
         8500,
         u"중형 No.35 호환, 심 1,000개 포함"_s,
         false},
        {{u"OF004"_s, u"토너 카트리지"_s, u"EA"_s},
         89000,
         u"TN-2480 호환, 약 3,000매 출력 (ISO/IEC 19752 기준, 5% 인쇄 면적), 재생 카트리지 아님"_s,
         false},
        {{u"OF005"_s, u"파일 바인더"_s, u"EA"_s}, 3200, u"A4 3공 D링 50mm, 청색"_s, false},
        {{u"OF006"_s, u"점착 메모지"_s, u"PK"_s}, 4800, u"76 x 76mm 노랑 100매 x 6패드"_s, false},
        {{u"OF007"_s, u"화이트보드 마커"_s, u"BOX"_s},
         15000,
         u"4색 세트 (흑·청·적·녹), 알코올성 저취 잉크, 교체용 심 별도 구매 가능"_s,
         false},
        {{u"OF008"_s, u"사무용 의자"_s, u"EA"_s},
         189000,
         u"메쉬 등판, 4D 팔걸이, 요추 받침 높이 조절, 가스 실린더 KS 인증 3등급"_s,
         false},
        {{u"ST001"_s, u"열연강판"_s, u"TON"_s},
         980000,
         u"SS275 6.0T x 1,524 x 3,048 (절단 가공 포함, 밀시트 첨부)"_s,
         false},
        {{u"ST002"_s, u"H형강"_s, u"TON"_s},
         1120000,
         u"SHN355 300 x 300 x 10 x 15 L=12,000"_s,
         false},
        {{u"ST003"_s, u"스테인리스 강판"_s, u"TON"_s},
         3650000,
         u"STS304 2B 1.0T x 1,219 x 2,438 (양면 보호비닐 부착, 레이저 절단용)"_s,
         false},
        {{u"ST004"_s, u"각파이프"_s, u"EA"_s}, 42000, u"SPSR400 100 x 100 x 3.2T L=6,000"_s, false},
        {{u"ST005"_s, u"철근"_s, u"TON"_s}, 950000, u"SD400 D13 L=8,000 KS D 3504"_s, false},
        {{u"FD001"_s, u"생수"_s, u"BOX"_s}, 7200, u"500ml x 20병"_s, false},
        {{u"FD002"_s, u"커피 원두"_s, u"KG"_s},
         32000,
         u"콜롬비아 수프리모 미디엄 로스트, 1kg 밸브 봉투"_s,
         false},
        {{u"FD003"_s, u"종이컵"_s, u"BOX"_s}, 28000, u"6.5온스 1,000개입"_s, false},
        {{u"AG001"_s, u"쌀"_s, u"포"_s}, 58000, u"경기미 추청 20kg, 상등급"_s, true},
        {{u"AG002"_s, u"배추"_s, u"망"_s}, 9500, u"3포기입 (약 8~9kg), 해남산"_s, true},
        {{u"AG003"_s, u"사과"_s, u"BOX"_s}, 45000, u"부사 10kg 특품 (32~36과)"_s, true},
        {{u"AG004"_s, u"양파"_s, u"망"_s}, 12000, u"15kg 무안산"_s, true},
        {{u"CN001"_s, u"레미콘"_s, u"㎥"_s},
         85000,
         u"25-24-150 (굵은골재 25mm, 강도 24MPa, 슬럼프 150mm)"_s,
         false},
        {{u"CN002"_s, u"시멘트"_s, u"포"_s}, 5800, u"보통 포틀랜드 시멘트 1종 40kg"_s, false},
    };
    return items;
}

const ItemPrice& itemOf(const QString& code)
{
    const auto& items = catalogue();
    return *std::find_if(items.begin(), items.end(),
                         [&](const ItemPrice& i) { return i.item.code == code; });
}

DemoLine line(const QString& itemCode, int64_t qty)
{
    const ItemPrice& item = itemOf(itemCode);
    DemoLine l;
    l.itemCode = itemCode;
    l.remark = item.remark;
    l.qty = qty;
    l.price = item.price;
    l.amount = qty * item.price;
    // Value-added tax is a tenth of the supply amount, cut to the won; farm produce is exempt.
    l.tax = item.taxFree ? 0 : l.amount / 10;
    return l;
}

// `count` lines cycling through `pool`, with quantities that vary from line to line and month
// to month.
std::vector<DemoLine> lines(const std::vector<QString>& pool, int count, int month)
{
    std::vector<DemoLine> out;
    out.reserve(size_t(count));
    for (int j = 0; j < count; ++j)
        out.push_back(line(pool[size_t(j + month) % pool.size()], 1 + (j * 7 + month * 3) % 40));
    return out;
}

} // namespace

DemoData demoData(const QDate& today)
{
    DemoData d;
    d.posts = {
        {u"06236"_s, u"서울특별시 강남구 "_s},    {u"51392"_s, u"경상남도 창원시 성산구 "_s},
        {u"34126"_s, u"대전광역시 유성구 "_s},    {u"55000"_s, u"전라북도 전주시 완산구 "_s},
        {u"13487"_s, u"경기도 성남시 분당구 "_s}, {u"48940"_s, u"부산광역시 중구 "_s},
    };
    d.companies = {
        {u"50001"_s, u"(주)한빛유통"_s, u"02-555-0142"_s, u"123-81-45678"_s, u"김민준"_s,
         u"06236"_s, u"테헤란로 152, 7층"_s, u"도소매"_s, u"사무용품"_s,
         QString::fromLatin1(demoPassword), 0},
        {u"50002"_s, u"대성철강(주)"_s, u"055-282-3300"_s, u"608-81-23456"_s, u"박서연"_s,
         u"51392"_s, u"공단로 221"_s, u"제조"_s, u"철강재"_s, u"5678"_s, 0},
        {u"50003"_s, u"(주)하늘'N바다"_s, u"042-861-7700"_s, u"314-86-11223"_s, u"이도윤"_s,
         u"34126"_s, u"대학로 99"_s, u"서비스"_s, u"식음료"_s, u"3141"_s, 0},
        {u"50004"_s, u"푸른농산"_s, u"063-227-4100"_s, u"402-90-55667"_s, u"최지우"_s, u"55000"_s,
         u"농수산물센터로 12"_s, u"도소매"_s, u"농산물"_s, u"2468"_s, 0},
        {u"50005"_s, u"(주)미래건설자재"_s, u"031-8017-2500"_s, u"220-87-99881"_s, u"정하준"_s,
         u"13487"_s, u"판교역로 235, 에이치스퀘어 N동 8층"_s, u"건설"_s, u"건축자재"_s, u"9090"_s,
         0},
        // Not listed: another first digit, and a company whose account is suspended.
        {u"40012"_s, u"동해수산(주)"_s, u"051-245-8800"_s, u"602-81-77001"_s, u"윤서진"_s,
         u"48940"_s, u"자갈치해안로 52"_s, u"도소매"_s, u"수산물"_s, u"1111"_s, 0},
        {u"50099"_s, u"(주)정지상사"_s, u"02-3142-0099"_s, u"105-86-00990"_s, u"한예린"_s,
         u"06236"_s, u"봉은사로 5"_s, u"도소매"_s, u"잡화"_s, u"0000"_s, 1},
    };
    for (const ItemPrice& i : catalogue())
        d.items.push_back(i.item);

    const std::vector<QString> office = {u"OF001"_s, u"OF002"_s, u"OF003"_s, u"OF004"_s,
                                         u"OF005"_s, u"OF006"_s, u"OF007"_s, u"OF008"_s};
    const std::vector<QString> steel = {u"ST001"_s, u"ST002"_s, u"ST003"_s, u"ST004"_s, u"ST005"_s};
    const std::vector<QString> food = {u"FD001"_s, u"FD002"_s, u"FD003"_s};
    const std::vector<QString> farm = {u"AG001"_s, u"AG002"_s, u"AG003"_s, u"AG004"_s};

    // Line counts of the demo company's two statements a month, oldest month first: a single
    // line, a full page of 12 and 13 lines, and statements that run onto further pages.
    const int officeCounts[6][2] = {{3, 5}, {1, 7}, {12, 2}, {13, 4}, {6, 14}, {1, 20}};

    std::map<QString, int> seqOfDate;
    auto add = [&](const QDate& month, int day, const QString& cust, const QString& io,
                   std::vector<DemoLine> l) {
        // In the current month nothing is dated after today.
        if (month.year() == today.year() && month.month() == today.month())
            day = std::min(day, today.day());
        const QString date = QDate(month.year(), month.month(), day).toString(u"yyyy-MM-dd"_s);
        d.statements.push_back({date, ++seqOfDate[date], cust, io, std::move(l)});
    };

    for (int back = 5; back >= 0; --back) {
        const QDate month = QDate(today.year(), today.month(), 1).addMonths(-back);
        const int m = 5 - back;
        add(month, 4 + m % 3, u"50001"_s, u"SA1"_s, lines(office, officeCounts[m][0], m));
        add(month, 18 + m % 4, u"50001"_s, u"SA1"_s, lines(office, officeCounts[m][1], m + 1));
        add(month, 9, u"50002"_s, u"SA1"_s, lines(steel, 8, m));
        add(month, 12, u"50003"_s, u"SA1"_s, lines(food, 4, m));
        add(month, 15, u"50004"_s, u"SA1"_s, lines(farm, 5, m));
        add(month, 21, u"40012"_s, u"SA1"_s, lines(food, 2, m));
        if (back <= 2) {
            // Totals far above 2,147,483,647 won.
            add(month, 25, u"50005"_s, u"SA1"_s,
                {line(u"ST005"_s, 2500 + m), line(u"CN001"_s, 3000), line(u"CN002"_s, 10000)});
        }
    }
    // A return and a stock transfer: kinds of voucher that the statement list leaves out.
    const QDate current(today.year(), today.month(), 1);
    add(current, 2, u"50001"_s, u"MM1"_s, lines(office, 2, 0));
    add(current, 3, u"50001"_s, u"CJ1"_s, lines(office, 1, 0));
    add(current, 6, u"50099"_s, u"SA1"_s, lines(office, 3, 0));
    return d;
}

} // namespace server
