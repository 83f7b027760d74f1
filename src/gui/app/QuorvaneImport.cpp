// The Menu Designer page's Import: a site's navigation into the design.

#include "gui/app/MenuDesignerPage.h"

#include "core/site/SiteImport.h"
#include "gui/app/MenuTreeModel.h"
#include "gui/dialogs/Dialogs.h"
#include "gui/dialogs/ImportForm.h"

#include <QWidget>

namespace qv {

void MenuDesignerPage::btnImportClick()
{
    MenuItem* parent = SelectedItem();
    TfrmImport dialog(m_page->window(),
                      parent != nullptr ? QString::fromStdString(parent->Text()) : QString());
    if (CurrentDialogs().Exec(dialog) != QDialog::Accepted || dialog.Chosen() == nullptr)
        return;
    // The items take their numbers from the counter only once they are in the design.
    std::int32_t counter = m_itemCounter;
    std::vector<std::unique_ptr<MenuItem>> items =
        MakeImportedItems(dialog.Chosen()->items, counter);
    try {
        CheckImportFits(m_model->Tree(), parent, items);
    } catch (const ImportError& refused) {
        CurrentDialogs().Message(m_page->window(), QString::fromStdString(refused.what()),
                                 QStringLiteral("Import Navigation"), Dialogs::Icon::Warning);
        return;
    }
    m_itemCounter = counter;
    m_model->Do(MakeAppendMany(parent, std::move(items), "Import"));
}

} // namespace qv
