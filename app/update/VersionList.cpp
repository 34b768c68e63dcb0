#include "app/update/VersionList.h"

#include <map>
#include <string>

#include "uimodel/support/Plist.h"

namespace app {

namespace {

std::optional<qint64> IntegerOf(plist_t node) {
    if (!node) return std::nullopt;
    switch (plist_get_node_type(node)) {
        case PLIST_UINT: {
            uint64_t value = 0;
            plist_get_uint_val(node, &value);
            if (value > static_cast<uint64_t>(std::numeric_limits<qint64>::max())) return std::nullopt;
            return static_cast<qint64>(value);
        }
        case PLIST_STRING: {
            bool ok = false;
            const qint64 value = QString::fromUtf8(plist_get_string_ptr(node, nullptr)).trimmed().toLongLong(&ok);
            return ok ? std::optional<qint64>(value) : std::nullopt;
        }
        default:
            return std::nullopt;
    }
}

std::optional<QString> TextOf(plist_t node) {
    if (!node || plist_get_node_type(node) != PLIST_STRING) return std::nullopt;
    return QString::fromUtf8(plist_get_string_ptr(node, nullptr));
}

// A key made only of digits naming a line from 1 on; none for any other key.
std::optional<quint32> LineNumberOf(const char* key) {
    const QByteArray text(key);
    if (text.isEmpty() || text.size() > 9) return std::nullopt;
    for (char c : text)
        if (c < '0' || c > '9') return std::nullopt;
    const quint32 number = text.toUInt();
    return number >= 1 ? std::optional<quint32>(number) : std::nullopt;
}

}  // namespace

std::optional<RemoteVersionList> ParseRemoteVersionList(const QByteArray& body) {
    const uimodel::PlistPtr root = uimodel::ParsePlistDictionary(std::string_view(body.constData(), body.size()));
    if (!root) return std::nullopt;

    RemoteVersionList list;
    list.versionCheck = IntegerOf(plist_dict_get_item(root.get(), "VersionCheck")).value_or(0);
    list.version = TextOf(plist_dict_get_item(root.get(), "Version")).value_or(QString());

    // The lowest-numbered lines, whatever the order of the dictionary and however many it holds.
    std::map<quint32, QString> lines;
    plist_dict_iter iter = nullptr;
    plist_dict_new_iter(root.get(), &iter);
    for (;;) {
        char* key = nullptr;
        plist_t value = nullptr;
        plist_dict_next_item(root.get(), iter, &key, &value);
        if (!key) break;
        const std::optional<quint32> number = LineNumberOf(key);
        free(key);
        const std::optional<QString> text = TextOf(value);
        if (!number || !text) continue;
        lines.emplace(*number, *text);
        if (lines.size() > static_cast<size_t>(kMaxChangeLines)) lines.erase(std::prev(lines.end()));
    }
    free(iter);
    for (auto& [number, text] : lines) list.lines.append(text);
    return list;
}

}  // namespace app
