#include "exchange/ExchangeStatus.h"

#include "text/Cp949.h"

namespace exchange {

namespace {

std::string count(int rows)
{
    return std::to_string(rows) + text::cp949("건");
}

} // namespace

std::string connectingText(std::string_view server)
{
    return text::cp949("서버 ") + std::string(server) + text::cp949("에 연결하는 중...");
}

std::string connectedText(std::string_view peer, std::string_view protection)
{
    if (!protection.empty())
        return text::cp949("서버 ") + std::string(peer) + text::cp949("에 보안 연결됨 (") +
               std::string(protection) + text::cp949(", 인증서 확인됨)");
    return text::cp949("서버 ") + std::string(peer) + text::cp949("에 연결됨");
}

std::string receivingText(std::string_view peer, int rows, std::string_view protection)
{
    const std::string secured = protection.empty()
                                    ? std::string()
                                    : text::cp949(" (보안 연결, ") + std::string(protection) + ")";
    return text::cp949("서버 ") + std::string(peer) + text::cp949("에서 받는 중") + secured + ": " +
           count(rows);
}

std::string answerName(Command request)
{
    switch (request) {
    case Command::MakeKey:
        return text::cp949("업체 목록");
    case Command::MakeCust:
        return text::cp949("거래처 정보");
    case Command::MakeDate:
        return text::cp949("거래일자 목록");
    case Command::MakeData:
        return text::cp949("품목");
    case Command::Other:
        break;
    }
    return text::cp949("응답");
}

std::string cutText(std::string_view server, Command request, int rows)
{
    // Only the particulars' name ends in a vowel.
    const char* const object = request == Command::MakeCust ? "를" : "을";
    return text::cp949("서버 ") + std::string(server) + text::cp949("이(가) ") +
           answerName(request) + text::cp949(object) +
           text::cp949(" 보내는 도중에 연결을 끊었습니다 (") + count(rows) + text::cp949(" 받음).");
}

std::string endedText(Outcome outcome, std::string_view server, int rows, std::string_view detail)
{
    const std::string at = text::cp949("서버 ") + std::string(server);
    switch (outcome) {
    case Outcome::Complete:
        return text::cp949("받기 끝: ") + count(rows);
    case Outcome::ClosedByUser:
        return text::cp949("연결을 끊었습니다: ") + count(rows) + text::cp949(" 받음");
    case Outcome::Refused:
        return at + text::cp949("에 연결할 수 없습니다: 연결이 거부되었습니다.");
    case Outcome::HostNotFound:
        return at + text::cp949("에 연결할 수 없습니다: 서버 이름을 찾을 수 없습니다.");
    case Outcome::TimedOut:
        return at + text::cp949("에 연결할 수 없습니다: 제한 시간 안에 연결되지 않았습니다.");
    case Outcome::Cut:
        return at + text::cp949("이(가) 응답 도중에 연결을 끊었습니다 (") + count(rows) +
               text::cp949(" 받음).");
    case Outcome::Untrusted:
        return at + text::cp949("의 인증서를 받아들일 수 없어 연결하지 않았습니다: ") +
               std::string(detail);
    case Outcome::Failed:
        break;
    }
    return at + text::cp949("과(와)의 연결에 실패했습니다") +
           (detail.empty() ? std::string(".") : ": " + std::string(detail));
}

} // namespace exchange

namespace exchange {

std::string certificateProblemText(CertificateProblem problem, std::string_view host,
                                   std::string_view detail)
{
    switch (problem) {
    case CertificateProblem::Expired:
        return text::cp949("인증서가 만료되었습니다");
    case CertificateProblem::NotYetValid:
        return text::cp949("인증서의 유효 기간이 아직 시작되지 않았습니다");
    case CertificateProblem::NameMismatch:
        return text::cp949("이름 불일치: 인증서가 ") + std::string(host) +
               text::cp949("의 것이 아닙니다");
    case CertificateProblem::SelfSigned:
        return text::cp949("신뢰할 수 없는 발급자: 인증서가 자체 서명되었습니다");
    case CertificateProblem::UntrustedIssuer:
        return text::cp949("신뢰할 수 없는 발급자: 인증서를 발급한 기관을 믿을 수 없습니다");
    case CertificateProblem::Revoked:
        return text::cp949("인증서가 폐기되었습니다");
    case CertificateProblem::Missing:
        return text::cp949("서버가 인증서를 보내지 않았습니다");
    case CertificateProblem::Other:
        break;
    }
    return text::cp949("인증서를 확인하지 못했습니다: ") + std::string(detail);
}

} // namespace exchange
