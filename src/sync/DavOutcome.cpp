#include "sync/DavOutcome.h"

#include "platform/sjis.h"

namespace nrt::dav {

std::string StepName(DavStep step)
{
    const char* name = "";
    switch (step) {
    case DavStep::kDiscovery:
        name = "アドレス帳の検索";
        break;
    case DavStep::kCreateBook:
        name = "アドレス帳の作成";
        break;
    case DavStep::kReadChanges:
        name = "変更の確認";
        break;
    case DavStep::kReadCards:
        name = "カードの読み込み";
        break;
    case DavStep::kWriteCard:
        name = "カードの書き込み";
        break;
    case DavStep::kDeleteCard:
        name = "カードの削除";
        break;
    }
    return platform::Utf8ToSjis(name);
}

std::string DavOutcome::Message() const
{
    const std::string who = "サーバー「" + server + "」";
    const std::string stepName = platform::SjisToUtf8(StepName(step));
    const std::string http = status > 0 ? "、HTTP " + std::to_string(status) : std::string();
    std::string text;
    switch (result) {
    case DavResult::kOk:
        text = who + "：" + stepName + "を終えました。";
        break;
    case DavResult::kInvalidUrl:
        text = "サーバーのURL「" + server + "」が正しくありません。";
        break;
    case DavResult::kPlainHttpRefused:
        text = who + "へはパスワードが暗号化されずに送られるため接続しません。https:// のURLを指定してください。";
        break;
    case DavResult::kUnreachable:
        text = who + "に接続できません（" + stepName + "）。";
        break;
    case DavResult::kTimeout:
        text = who + "から応答がありません（" + stepName + "）。";
        break;
    case DavResult::kCertificateRefused:
        text = who + "の証明書を確認できません（" + stepName + "）。CAファイルの設定を確かめてください。";
        break;
    case DavResult::kTlsFailed:
        text = who + "と暗号化通信を始められません（" + stepName + "）。";
        break;
    case DavResult::kConnectionLost:
        text = who + "との接続が途中で切れました（" + stepName + "）。";
        break;
    case DavResult::kUnauthorized:
        text = who + "にログインできません。ユーザー名とパスワードを確かめてください（" + stepName + "）。";
        break;
    case DavResult::kForbidden:
        text = who + "がこの操作を許可しません（" + stepName + http + "）。";
        break;
    case DavResult::kNotFound:
        text = who + "に対象が見つかりません（" + stepName + http + "）。";
        break;
    case DavResult::kChangedOnServer:
        text = who + "のカードが他から変更されています（" + stepName + http + "）。";
        break;
    case DavResult::kTokenInvalid:
        text = who + "の同期情報が無効になりました。すべてのカードを読み直します（" + stepName + "）。";
        break;
    case DavResult::kServerError:
        text = who + "でエラーが起きました（" + stepName + http + "）。";
        break;
    case DavResult::kUnexpectedStatus:
        text = who + "が要求を受け付けません（" + stepName + http + "）。";
        break;
    case DavResult::kBadReply:
        text = who + "の応答を読み取れません（" + stepName + "）。";
        break;
    case DavResult::kNoAddressBooks:
        text = who + "にCardDAVのアドレス帳が見つかりません。";
        break;
    case DavResult::kTooManyRedirects:
        text = who + "の転送が多すぎます（" + stepName + "）。";
        break;
    case DavResult::kCancelled:
        text = who + "との同期を中止しました（" + stepName + "）。";
        break;
    }
    return platform::Utf8ToSjis(text);
}

} // namespace nrt::dav
