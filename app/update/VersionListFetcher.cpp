#include "app/update/VersionListFetcher.h"

#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>

#include "app/update/NetworkProbe.h"

namespace app {

VersionListFetcher::VersionListFetcher(QObject* parent) : QObject(parent) {}

VersionListFetcher::~VersionListFetcher() {
    if (m_reply) {
        m_reply->disconnect(this);
        m_reply->abort();
    }
}

void VersionListFetcher::fetch(const QUrl& url, Done done) {
    if (m_reply) {
        m_reply->disconnect(this);
        m_reply->abort();
        m_reply->deleteLater();
    }
    m_done = std::move(done);
    m_body.clear();
    m_overCap = false;
    if (!url.isValid() || url.host().isEmpty() ||
        (url.scheme() != QLatin1String("http") && url.scheme() != QLatin1String("https"))) {
        QTimer::singleShot(0, this, [this] { finish({}); });
        return;
    }
    QNetworkRequest request(url);
    request.setTransferTimeout(m_timeoutMs);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setMaximumRedirectsAllowed(kVersionListMaxRedirects);
    m_reply = m_manager.get(request);
    connect(m_reply, &QNetworkReply::readyRead, this, &VersionListFetcher::onReadyRead);
    connect(m_reply, &QNetworkReply::finished, this, &VersionListFetcher::onFinished);
}

void VersionListFetcher::onReadyRead() {
    if (m_overCap) return;
    const QByteArray chunk = m_reply->readAll();
    if (m_body.size() + chunk.size() > kVersionListMaxBytes) {
        // Too big to be a version list: stop reading rather than hold it.
        m_overCap = true;
        m_body.clear();
        m_reply->abort();
        return;
    }
    m_body.append(chunk);
}

void VersionListFetcher::onFinished() {
    QNetworkReply* reply = m_reply;
    if (!m_overCap && reply->error() == QNetworkReply::NoError) onReadyRead();  // what came with the end
    m_reply = nullptr;
    reply->deleteLater();
    VersionListFetch result;
    if (m_overCap) {
        result.outcome = VersionListFetch::Outcome::Unreadable;
    } else {
        switch (reply->error()) {
            case QNetworkReply::NoError: {
                std::optional<RemoteVersionList> list = m_overCap ? std::nullopt : ParseRemoteVersionList(m_body);
                result.outcome = list ? VersionListFetch::Outcome::Fetched : VersionListFetch::Outcome::Unreadable;
                if (list) result.list = std::move(*list);
                break;
            }
            // Nothing, or nobody in time, answered. A transfer time-out ends the reply as cancelled.
            case QNetworkReply::ConnectionRefusedError:
            case QNetworkReply::RemoteHostClosedError:
            case QNetworkReply::HostNotFoundError:
            case QNetworkReply::TimeoutError:
            case QNetworkReply::OperationCanceledError:
            case QNetworkReply::TemporaryNetworkFailureError:
            case QNetworkReply::NetworkSessionFailedError:
            case QNetworkReply::UnknownNetworkError:
            case QNetworkReply::ProxyConnectionRefusedError:
            case QNetworkReply::ProxyNotFoundError:
            case QNetworkReply::ProxyTimeoutError:
                result.outcome = VersionListFetch::Outcome::NoNetwork;
                break;
            default:  // HTTP errors, too many redirects, bad content: the network works
                result.outcome = VersionListFetch::Outcome::Unreadable;
                break;
        }
    }
    m_body.clear();
    NetworkProbe::instance().note(result.outcome != VersionListFetch::Outcome::NoNetwork);
    finish(std::move(result));
}

void VersionListFetcher::finish(VersionListFetch result) {
    Done done = std::move(m_done);
    m_done = nullptr;
    if (done) done(result);
}

}  // namespace app
