#include "app/models/FileOutlook.h"

#include <cstring>

#include "app/base/Strings.h"
#include "app/controls/DisplayName.h"
#include "app/controls/PlainText.h"
#include "uimodel/facade/QNUIController.h"
#include "uimodel/trees/OpNodeData.h"

namespace app::results {

namespace {

// Copy-out's words, each with the key of its sentence.
struct Reason {
    const char* word;
    const char* key;
};
constexpr Reason kReasons[] = {
    {"virtual disk", "FILE_STATE_VIRTUAL_DISK"},
    {"overwritten", "FILE_STATE_OVERWRITTEN"},
    {"past-end", "FILE_STATE_PAST_END"},
    {"unreadable", "FILE_STATE_UNREADABLE"},
    {"destination full", "FILE_STATE_DESTINATION_FULL"},
    {"chain lost", "FILE_STATE_CHAIN_LOST"},
    {"possibly overwritten", "FILE_STATE_POSSIBLY_OVERWRITTEN"},
    {"short", "FILE_STATE_SHORT"},
};

}  // namespace

QString ReasonText(RESULT result, const std::string& note) {
    if (IsRecoveredCopy(result)) return {};
    const QString named = QString::fromStdString(note);
    if (const char* word = CopyRefusalWord(result)) {
        for (const Reason& reason : kReasons)
            if (std::strcmp(reason.word, word) == 0) {
                const QString text = Text(QLatin1String(reason.key));
                return text.contains(QLatin1String("%1")) ? text.arg(named) : text;
            }
    }
    return Text(QStringLiteral("FILE_STATE_NOT_RECOVERED"))
        .arg(QStringLiteral("0x%1").arg(static_cast<qulonglong>(result), 0, 16));
}

QString FileMark(IFileNode* file) {
    if (!file) return {};
    const RESULT outlook = uimodel::QNUIController::GetCopyOutlook(file).result;
    if (Failed(outlook)) return QStringLiteral("norecover");
    if (IsNotedCopy(outlook)) return QStringLiteral("noted");
    return uimodel::OpNodeData::isFileNodeDeleted(file) ? QStringLiteral("deletered") : QString();
}

QString FileOutlookText(IFileNode* file) {
    if (!file) return {};
    const IDataRecovery::Refusal outlook = uimodel::QNUIController::GetCopyOutlook(file);
    return ReasonText(outlook.result, outlook.note);
}

QString OutlookToolTip(const QString& name, const QString& reason) {
    if (reason.isEmpty()) return NameToolTip(name);
    // Each a plain-text paragraph of its own: a name is never markup.
    return NameToolTip(name) + EscapedToolTip(reason);
}

}  // namespace app::results
