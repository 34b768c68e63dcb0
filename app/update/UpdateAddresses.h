#pragma once
// What the update check and the About window read of the installed "LocalVersionMessage" list:
// this build's version number and the addresses in the interface language (English beneath).
// Tests hand their own.

#include <QUrl>

namespace app {

struct UpdateAddresses {
    qint64 localVersion = 0;  // "VersionCheck"
    QUrl iniUrl;              // the remote version list; empty as shipped: no check at all
    QUrl updateUrl;           // the download page
    QUrl aboutUrl;            // the maker's page
    QUrl supportUrl;          // the maker's tutorials, for online help and the support centre

    static UpdateAddresses Installed();
    // Whether an update check can run: an http(s) address for the remote list.
    bool checksForUpdates() const;
};

// An http or https address with a host; empty for anything else (a malformed or blank text).
QUrl WebAddress(const QString& text);

}  // namespace app
