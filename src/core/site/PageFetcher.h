#pragma once

#include "core/site/ImportedTree.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace qv {

// The most an import reads of one page or sitemap, also once unpacked.
inline constexpr std::size_t kImportLimitBytes = std::size_t{16} << 20;

struct FetchLimits
{
    int redirects = 5;
    std::chrono::milliseconds timeout{10000}; // for the whole fetch, redirects included
    std::size_t bytes = kImportLimitBytes;
};

// Told how many bytes have come so far and how many are expected (0 when the server does not
// say); returning false cancels the fetch. Called on the fetching thread, at least once a second.
using FetchProgress = std::function<bool(std::uint64_t received, std::uint64_t expected)>;

// The import was cancelled through its progress function.
class ImportCancelled : public ImportError
{
public:
    ImportCancelled() : ImportError("The import was cancelled.") {}
};

struct FetchedDocument
{
    std::string bytes;
    std::string address;     // the address the content came from, after redirects
    std::string contentType; // the media type, lower case, without parameters; may be empty
    std::string charset;     // the media type's charset parameter; empty when none
};

// Fetches an http or https address (no other scheme, also not through a redirect), following
// at most `limits.redirects` redirects, in at most `limits.timeout`, refusing more than
// `limits.bytes` bytes (after any content encoding is undone). Throws ImportError with a message
// for the user when the address cannot be reached, answers with an error status, takes too long
// or sends too much; ImportCancelled when `progress` cancels. Safe to call from any thread.
FetchedDocument FetchAddress(const std::string& address, const FetchLimits& limits = {},
                             const FetchProgress& progress = {});

} // namespace qv
