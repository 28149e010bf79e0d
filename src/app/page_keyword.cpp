#include "app/page_keyword.h"

#include "engine/browsers.h"
#include "platform/page_address.h"
#include "platform/workspace.h"

#include <QString>
#include <QUrl>

#include <algorithm>
#include <vector>

namespace norvane {

KeywordAdded addKeyword(Scope& scope, std::string_view text)
{
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && blank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && blank(text.back())) {
        text.remove_suffix(1);
    }
    if (text.empty()) {
        return KeywordAdded::empty;
    }
    if (std::find(scope.urls.begin(), scope.urls.end(), text) != scope.urls.end()) {
        return KeywordAdded::duplicate;
    }
    scope.urls.emplace_back(text);
    return KeywordAdded::added;
}

std::optional<std::string> keywordFromAddress(std::string_view address)
{
    const QUrl url(QString::fromUtf8(address.data(), static_cast<qsizetype>(address.size())), QUrl::StrictMode);
    if (!url.isValid()) {
        return std::nullopt;
    }
    const QString host = url.host(QUrl::FullyDecoded);
    if (host.isEmpty()) {
        return std::nullopt;
    }
    QString keyword = host;
    const auto segments = url.path(QUrl::FullyDecoded).split(QLatin1Char('/'), Qt::SkipEmptyParts);
    if (!segments.isEmpty()) {
        keyword += QLatin1Char('/') + segments.front();
    }
    return keyword.toStdString();
}

std::optional<PageKeyword> currentPageKeyword(const std::optional<std::string>& lastExternalApp, const Scope& scope,
                                              Workspace& workspace, const PageAddressSource& pages)
{
    std::vector<std::string> candidates;
    if (lastExternalApp) {
        candidates.push_back(*lastExternalApp);
    }
    candidates.insert(candidates.end(), scope.apps.begin(), scope.apps.end());
    for (const auto id : browserIDs()) {
        candidates.emplace_back(id);
    }
    for (const auto& id : candidates) {
        if (!isBrowser(id) || workspace.runningInstances(id).empty()) {
            continue;
        }
        const auto address = pages.currentURL(id);
        if (!address) {
            continue;
        }
        if (auto keyword = keywordFromAddress(*address)) {
            return PageKeyword{std::move(*keyword), id};
        }
    }
    return std::nullopt;
}

} // namespace norvane
