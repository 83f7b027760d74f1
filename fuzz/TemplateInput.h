#pragma once

// The input of the template targets, the same for all of them so that they share one corpus:
// the template up to the input's first NUL; the bytes after it choose the design (items with
// their captions and links, the style's codes, numbers, colours and font name, the system
// colours), and then whatever more a target asks of `provider`.

#include "core/codegen/Template.h"
#include "core/model/Colors.h"
#include "core/model/MenuStyle.h"
#include "core/model/MenuTree.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quorvane_fuzz {

// Text for a caption, link or font name; now and then a token, so that values that look like
// tokens are common.
inline std::string SomeText(FuzzedDataProvider& provider, std::size_t max)
{
    if (provider.ConsumeIntegralInRange(0, 7) == 0)
        return std::string(qv::kTemplateTokens[provider.ConsumeIntegralInRange<std::size_t>(
            0, qv::kTemplateTokens.size() - 1)]);
    return provider.ConsumeRandomLengthString(max);
}

struct TemplateInput
{
    std::string templateText;
    FuzzedDataProvider provider;
    qv::MenuTree tree;
    std::vector<qv::MenuItem*> items; // in the order they were made
    qv::MenuStyle style;
    std::array<qv::TColor, qv::kSystemColorCount> system{};
    qv::SystemColorResolver resolver = [this](int index) {
        return system[static_cast<std::size_t>(index)];
    };

    TemplateInput(const std::uint8_t* data, std::size_t size)
        : templateText(Before(data, size)),
          provider(data + After(data, size), size - After(data, size))
    {
        const int itemCount = provider.ConsumeIntegralInRange(0, 24);
        for (int i = 0; i < itemCount; ++i) {
            const std::size_t parent =
                provider.ConsumeIntegralInRange<std::size_t>(0, items.size());
            qv::TMyRec rec;
            rec.Height = provider.ConsumeIntegral<std::int32_t>();
            rec.Width = provider.ConsumeIntegral<std::int32_t>();
            rec.Link = SomeText(provider, 40);
            std::string caption = SomeText(provider, 40);
            items.push_back(parent == 0
                                ? tree.AppendRoot(std::move(caption), rec)
                                : tree.AppendChild(items[parent - 1], std::move(caption), rec));
        }
        for (auto color : qv::kStyleColors)
            style.*color = provider.ConsumeIntegral<qv::TColor>();
        style.MenuType = provider.ConsumeIntegralInRange(-2, 2);
        style.TextAlign = provider.ConsumeIntegralInRange(-2, 4);
        style.HorzAlign = provider.ConsumeIntegralInRange(-2, 4);
        style.VertAlign = provider.ConsumeIntegralInRange(-2, 5);
        style.OnMouseOver = provider.ConsumeIntegralInRange(-2, 2);
        style.Arrows = provider.ConsumeIntegralInRange(-2, 4);
        style.MenuTop = provider.ConsumeIntegral<std::int32_t>();
        style.MenuLeft = provider.ConsumeIntegral<std::int32_t>();
        style.LeftPadding = provider.ConsumeIntegral<std::int32_t>();
        style.TopPadding = provider.ConsumeIntegral<std::int32_t>();
        style.BorderWidth = provider.ConsumeIntegral<std::int32_t>();
        style.FontSize = provider.ConsumeIntegral<std::int32_t>();
        style.FontBold = provider.ConsumeBool();
        style.FontItalic = provider.ConsumeBool();
        style.KeepHighlighted = provider.ConsumeBool();
        style.BorderBetween = provider.ConsumeBool();
        style.MenuFont = SomeText(provider, 40);
        for (qv::TColor& color : system)
            color = provider.ConsumeIntegral<qv::TColor>();
        // Text after a NUL in the template counts for nothing.
        if (provider.ConsumeBool()) {
            templateText += '\0';
            templateText += provider.ConsumeRandomLengthString(16);
        }
    }

    TemplateInput(const TemplateInput&) = delete;
    TemplateInput& operator=(const TemplateInput&) = delete;

private:
    static std::string_view Bytes(const std::uint8_t* data, std::size_t size)
    {
        return {reinterpret_cast<const char*>(data), size};
    }
    static std::string Before(const std::uint8_t* data, std::size_t size)
    {
        const std::string_view bytes = Bytes(data, size);
        return std::string(bytes.substr(0, bytes.find('\0')));
    }
    // Where the design's bytes begin: after the first NUL, or at the end.
    static std::size_t After(const std::uint8_t* data, std::size_t size)
    {
        const std::size_t nul = Bytes(data, size).find('\0');
        return nul == std::string_view::npos ? size : nul + 1;
    }
};

} // namespace quorvane_fuzz
