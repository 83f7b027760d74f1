#include "core/site/PageFetcher.h"

#include "core/site/SiteAddress.h"
#include "core/support/StringUtils.h"

#include <curl/curl.h>

#include <memory>
#include <mutex>
#include <new>

namespace qv {

namespace {

void PrepareCurl()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct Transfer
{
    std::string bytes;
    std::size_t limit = 0;
    bool tooLarge = false;
    std::string status; // the last status line's text after the version: "404 Not Found"
    const FetchProgress* progress = nullptr;
    bool cancelled = false;
};

std::size_t OnData(char* data, std::size_t size, std::size_t count, void* user)
{
    auto& transfer = *static_cast<Transfer*>(user);
    const std::size_t n = size * count;
    if (transfer.bytes.size() + n > transfer.limit) {
        transfer.tooLarge = true;
        return 0; // ends the transfer with a write error
    }
    transfer.bytes.append(data, n);
    return n;
}

std::size_t OnHeader(char* data, std::size_t size, std::size_t count, void* user)
{
    auto& transfer = *static_cast<Transfer*>(user);
    const std::size_t n = size * count;
    std::string_view line(data, n);
    if (line.starts_with("HTTP/")) {
        const std::size_t space = line.find(' ');
        std::string status(space == std::string_view::npos ? "" : line.substr(space + 1));
        while (!status.empty() && (status.back() == '\r' || status.back() == '\n'))
            status.pop_back();
        transfer.status = std::move(status);
    }
    return n;
}

int OnProgress(void* user, curl_off_t total, curl_off_t now, curl_off_t, curl_off_t)
{
    auto& transfer = *static_cast<Transfer*>(user);
    if (transfer.progress != nullptr && *transfer.progress &&
        !(*transfer.progress)(static_cast<std::uint64_t>(now), static_cast<std::uint64_t>(total))) {
        transfer.cancelled = true;
        return 1;
    }
    return 0;
}

// "10 seconds", "0.4 seconds", "1 second".
std::string SecondsText(std::chrono::milliseconds time)
{
    const auto tenths = (time.count() + 50) / 100;
    std::string text = std::to_string(tenths / 10);
    if (tenths % 10 != 0)
        text += "." + std::to_string(tenths % 10);
    return text + (tenths == 10 ? " second" : " seconds");
}

struct CurlFree
{
    void operator()(CURL* curl) const { curl_easy_cleanup(curl); }
};

} // namespace

FetchedDocument FetchAddress(const std::string& address, const FetchLimits& limits,
                             const FetchProgress& progress)
{
    if (!IsWebAddress(address))
        throw ImportError(address + " is not an http or https address.");
    PrepareCurl();
    std::unique_ptr<CURL, CurlFree> curl(curl_easy_init());
    if (!curl)
        throw std::bad_alloc();
    CURL* c = curl.get();
    Transfer transfer;
    transfer.limit = limits.bytes;
    transfer.progress = &progress;
    char error[CURL_ERROR_SIZE] = {};
    const std::string url = CleanLink(address);
    const long timeout = static_cast<long>(limits.timeout.count());
    curl_easy_setopt(c, CURLOPT_URL, url.c_str());
    curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(c, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(c, CURLOPT_MAXREDIRS, static_cast<long>(limits.redirects));
    curl_easy_setopt(c, CURLOPT_TIMEOUT_MS, timeout);
    curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT_MS, timeout);
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    // Any encoding the library knows is accepted and undone before the size is counted.
    curl_easy_setopt(c, CURLOPT_ACCEPT_ENCODING, "");
    curl_easy_setopt(c, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(limits.bytes));
    curl_easy_setopt(c, CURLOPT_USERAGENT, "QuorvaneWizard/1.0 (menu import)");
    curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, &OnData);
    curl_easy_setopt(c, CURLOPT_WRITEDATA, &transfer);
    curl_easy_setopt(c, CURLOPT_HEADERFUNCTION, &OnHeader);
    curl_easy_setopt(c, CURLOPT_HEADERDATA, &transfer);
    curl_easy_setopt(c, CURLOPT_XFERINFOFUNCTION, &OnProgress);
    curl_easy_setopt(c, CURLOPT_XFERINFODATA, &transfer);
    curl_easy_setopt(c, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(c, CURLOPT_ERRORBUFFER, error);

    const CURLcode result = curl_easy_perform(c);
    if (transfer.cancelled)
        throw ImportCancelled();
    if (result == CURLE_OPERATION_TIMEDOUT)
        throw ImportError(address + " did not answer in time: it took more than " +
                          SecondsText(limits.timeout) + ".");
    if (result == CURLE_TOO_MANY_REDIRECTS)
        throw ImportError(address + " is redirected more than " + std::to_string(limits.redirects) +
                          " times.");
    if (result == CURLE_FILESIZE_EXCEEDED || transfer.tooLarge)
        throw ImportError(address + " is larger than " + DataSizeText(limits.bytes) +
                          ", more than can be imported.");
    if (result == CURLE_UNSUPPORTED_PROTOCOL)
        throw ImportError(address + " is redirected to an address that is not http or https.");
    if (result != CURLE_OK)
        throw ImportError(address + " cannot be reached: " +
                          (error[0] != '\0' ? std::string(error) : curl_easy_strerror(result)) +
                          ".");

    long status = 0;
    curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &status);
    if (status >= 400)
        throw ImportError("The server answered " +
                          (transfer.status.empty() ? std::to_string(status) : transfer.status) +
                          " for " + address + ".");

    FetchedDocument document;
    document.bytes = std::move(transfer.bytes);
    const char* effective = nullptr;
    curl_easy_getinfo(c, CURLINFO_EFFECTIVE_URL, &effective);
    document.address = effective != nullptr ? effective : url;
    const char* type = nullptr;
    curl_easy_getinfo(c, CURLINFO_CONTENT_TYPE, &type);
    if (type != nullptr) {
        std::string_view value(type);
        const std::size_t semicolon = value.find(';');
        for (char ch : CleanLink(value.substr(0, semicolon)))
            document.contentType += ch >= 'A' && ch <= 'Z' ? static_cast<char>(ch - 'A' + 'a') : ch;
        // The charset parameter, as in "text/html; charset=ISO-8859-1".
        std::string lower;
        for (char ch : value)
            lower += ch >= 'A' && ch <= 'Z' ? static_cast<char>(ch - 'A' + 'a') : ch;
        if (const std::size_t at = lower.find(
                "charset=", semicolon == std::string_view::npos ? lower.size() : semicolon);
            at != std::string::npos) {
            std::string charset(value.substr(at + 8));
            charset = charset.substr(0, charset.find(';'));
            std::erase(charset, '"');
            document.charset = CleanLink(charset);
        }
    }
    return document;
}

} // namespace qv
