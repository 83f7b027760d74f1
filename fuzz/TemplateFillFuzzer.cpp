// Template filling as Get Code and Preview do it: the template file's bytes decoded, the design
// measured against the largest code that is made, the template filled and, for a preview, the
// page built around the code. The input is that of the differential template target (see
// TemplateInput.h), so the two share their corpus; the result is checked there, not here.

#include "SmallStack.h"
#include "TemplateInput.h"

#include "core/codegen/Template.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    auto work = [&] {
        quorvane_fuzz::TemplateInput input(data, size);
        const qv::CodeForm form =
            input.provider.ConsumeBool() ? qv::CodeForm::PreviewPage : qv::CodeForm::Code;
        try {
            (void)qv::GenerateCodeFromTemplate(input.templateText, input.tree, input.style, form,
                                               input.resolver);
        } catch (const qv::CodeTooLarge&) {
        }
    };
    quorvane_fuzz::SmallStack::Run(work);
    return 0;
}
