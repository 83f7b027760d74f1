// The hex boxes' colour texts: HexToColor of arbitrary text and ColorToHex of arbitrary colour
// values, with system colours resolved through a table the fuzzer fills.

#include "FuzzCheck.h"

#include "core/model/Colors.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace {

bool IsHexDigit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

bool IsSixUpperHexDigits(std::string_view text)
{
    if (text.size() != 6)
        return false;
    for (const char c : text)
        if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F')))
            return false;
    return true;
}

std::string Upper(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        if (c >= 'a' && c <= 'f')
            c = static_cast<char>(c - 'a' + 'A');
    return out;
}

// Red, green and blue of the low 24 bits, as six upper-case digits.
std::string HexOf(qv::TColor rgb)
{
    char text[8];
    std::snprintf(text, sizeof text, "%02X%02X%02X", static_cast<unsigned>(rgb & 0xFF),
                  static_cast<unsigned>((rgb >> 8) & 0xFF),
                  static_cast<unsigned>((rgb >> 16) & 0xFF));
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // The whole input as the text of a hex box.
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const qv::TColor color = qv::HexToColor(text);
    FUZZ_CHECK((color & 0xFF000000u) == 0, "a typed colour has no bits above 24");
    const std::string hex = qv::ColorToHex(color, qv::ClassicSystemColor);
    FUZZ_CHECK(IsSixUpperHexDigits(hex), "six upper-case hex digits");
    FUZZ_CHECK(qv::HexToColor(hex) == color, "the digits give the colour back");

    bool valid = !text.empty();
    for (const char c : text)
        valid = valid && IsHexDigit(c);
    if (!valid) {
        FUZZ_CHECK(color == 0, "a text that is not hex digits gives black");
    } else if (text.size() <= 6) {
        FUZZ_CHECK(hex == std::string(6 - text.size(), '0') + Upper(text),
                   "up to six digits: the text, upper case, padded with zeros");
    } else {
        FUZZ_CHECK(hex == Upper(text.substr(text.size() - 6)),
                   "more than six digits: the last six count");
    }

    // Arbitrary colour values, system colour references among them.
    FuzzedDataProvider provider(data, size);
    std::array<qv::TColor, qv::kSystemColorCount> system{};
    for (qv::TColor& c : system)
        c = provider.ConsumeIntegral<qv::TColor>();
    const qv::SystemColorResolver resolver = [&](int index) {
        FUZZ_CHECK(index >= 0 && index < qv::kSystemColorCount, "only system colours 0 to 24");
        return system[static_cast<std::size_t>(index)];
    };
    for (int n = 0; n < 4; ++n) {
        qv::TColor value = provider.ConsumeIntegral<qv::TColor>();
        if (provider.ConsumeBool())
            value = qv::SystemColorRef(provider.ConsumeIntegralInRange(0, 40));
        qv::TColor rgb = value & 0x00FFFFFFu;
        if (qv::IsSystemColor(value)) {
            const std::uint32_t index = value & 0x00FFFFFFu;
            rgb = index < static_cast<std::uint32_t>(qv::kSystemColorCount)
                      ? system[index] & 0x00FFFFFFu
                      : 0;
        }
        const std::string shown = qv::ColorToHex(value, resolver);
        FUZZ_CHECK(shown == HexOf(rgb), "the resolved colour's red, green and blue");
        FUZZ_CHECK(qv::HexToColor(shown) == rgb, "the digits give the resolved colour back");
    }
    return 0;
}
