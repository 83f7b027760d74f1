#include "core/codegen/MenuArrays.h"
#include "core/project/MenuFile.h"
#include "core/support/Ini_Unit.h"
#include "core/support/StringUtils.h"
#include "gui/app/MenuTreeModel.h"
#include "gui/app/QuorvaneForm.h"
#include "gui/dialogs/PromptChoiceForm.h"
#include "gui/dialogs/QuorvaneCopyForm.h"

#include "UiTestSupport.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTextCursor>
#include <QTimer>

#include <gtest/gtest.h>

#include <limits>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace qv {
namespace {

const QByteArray kTemplate = "<!-- menu -->\n%menu%\nroots=%NoOffFirstLineMenus%;size=%FontSize%\n"
                             "bg='%LowBgColor%';arrows:%arrows%";

using test::ReadAll;
using test::WriteAll;

class Commands : public test::WindowTest
{
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(WindowTest::SetUp());
        WriteAll(m_dir.filePath(u"dhtml.dat"_s), kTemplate);
        OpenWindow();
    }

    void AddRoot(const QString& text)
    {
        Click("btnAddRootItem");
        QLineEdit* caption = Get<QLineEdit>("txtCaption");
        caption->selectAll();
        QTest::keyClicks(caption, text);
    }
    // Clicks the item's row in the tree, as the user selects it.
    void ClickItem(const MenuItem* item)
    {
        WindowTest::ClickItem(item);
        ASSERT_EQ(m_window->SelectedItem(), item);
    }
    QString Ini() const { return m_window->IniFilePath(); }

    // Answers the one-time note: ticks its box when asked, then closes it by its system menu.
    void AnswerNote(bool tick)
    {
        m_dialogs.execActions.push_back([tick](QDialog& dialog) {
            auto* note = dynamic_cast<TfrmPromptChoice*>(&dialog);
            EXPECT_NE(note, nullptr) << "the note comes first";
            if (note != nullptr && tick)
                QTest::mouseClick(note->chkDontShow(), Qt::LeftButton, {},
                                  note->chkDontShow()->rect().center() - QPoint(60, 0));
            return int(TfrmPromptChoice::Cancel);
        });
    }
    // Captures what the code window shows and closes it.
    void ReadCodeWindow(QString* shown)
    {
        m_dialogs.execActions.push_back([shown](QDialog& dialog) {
            auto* code = dynamic_cast<TFrmQuorvaneCopy*>(&dialog);
            EXPECT_NE(code, nullptr) << "the code window";
            if (code != nullptr)
                *shown = code->CodeText();
            return int(QDialog::Rejected);
        });
    }
};

TEST_F(Commands, TheNoteShowsUntilItsBoxIsTickedHoweverItIsClosed)
{
    AddRoot(u"Home"_s);

    // First Get Code on a fresh settings file: the note, laid out as one row below the text.
    m_dialogs.execActions.push_back([](QDialog& dialog) {
        auto* note = dynamic_cast<TfrmPromptChoice*>(&dialog);
        EXPECT_NE(note, nullptr);
        if (note == nullptr)
            return int(QDialog::Rejected);
        EXPECT_EQ(note->windowTitle(), u"Please Note"_s);
        EXPECT_EQ(note->lblPrompt()->text(),
                  u"Be sure to remove all old code before inserting new code\nif you are "
                  "updating an existing menu."_s);
        EXPECT_EQ(note->lblPrompt()->height(), 60);
        EXPECT_TRUE(note->btnOne()->isHidden());
        EXPECT_TRUE(note->btnTwo()->isHidden());
        EXPECT_EQ(note->btnCancel()->text(), u"OK"_s);
        EXPECT_FALSE(note->chkDontShow()->isHidden());
        EXPECT_EQ(note->chkDontShow()->text(), u"Don't show this message again"_s);
        EXPECT_EQ(note->chkDontShow()->y(), 60);
        EXPECT_EQ(note->btnCancel()->y(), 60);
        EXPECT_EQ(note->size(), QSize(447 + 16, 91 + 16)) << "sized to its visible controls";
        QTest::mouseClick(note->btnCancel(), Qt::LeftButton); // OK, box not ticked
        return note->result();
    });
    QString code;
    ReadCodeWindow(&code);
    Click("btnOk");
    EXPECT_EQ(m_dialogs.execs, (QStringList{u"frmPromptChoice"_s, u"FrmQuorvaneCopy"_s}));
    EXPECT_EQ(IniDocument::Load(Ini().toStdString()).Value("Prompts", "QuorvaneNote"),
              std::nullopt);

    // Ticked, then closed by the system menu: the key is written all the same.
    AnswerNote(true);
    ReadCodeWindow(&code);
    Click("btnOk");
    EXPECT_EQ(IniDocument::Load(Ini().toStdString()).ReadInteger("Prompts", "QuorvaneNote", 0), 1);

    ReadCodeWindow(&code);
    Click("btnOk");
    EXPECT_EQ(m_dialogs.execs.size(), 5) << "no note once the key is set";
    EXPECT_EQ(m_dialogs.execs.back(), u"FrmQuorvaneCopy"_s);

    // Any number but 0 suppresses it; text that is not a number counts as 0.
    for (const auto& [value, shown] : {std::pair{"2", false}, std::pair{"abc", true}}) {
        ASSERT_TRUE(IniWriteString(Ini().toStdString(), "Prompts", "QuorvaneNote", value));
        m_dialogs.execs.clear();
        if (shown)
            AnswerNote(false);
        ReadCodeWindow(&code);
        Click("btnOk");
        EXPECT_EQ(m_dialogs.execs.size(), shown ? 2 : 1) << value;
    }
}

TEST_F(Commands, GetCodeFillsTheTemplateAndAMissingTemplateKeepsTheLastCode)
{
    ASSERT_TRUE(IniWriteInteger(Ini().toStdString(), "Prompts", "QuorvaneNote", 1));
    AddRoot(u"Home"_s);
    QString shown;
    ReadCodeWindow(&shown);
    Click("btnOk");
    const QString expected =
        "<!-- menu -->\r\n\r\nMenu1=new Array(\"Home\",\"http://\",\"\",0,20,80);\r\n\r\n"
        "roots=1;size=10\r\nbg='0080FF';arrows:var Arrws=['tridark.gif',5,10,'tridarkdown.gif',"
        u"10,5,'tridarkleft.gif',5,10];\r\n"_s;
    EXPECT_EQ(m_window->GeneratedCode(), expected);
    EXPECT_EQ(shown, expected) << "the code window shows the code byte for byte";

    // The template is read afresh on every run: without it, the message, then the window with
    // the code of the last successful run.
    ASSERT_TRUE(QFile::remove(m_dir.filePath(u"dhtml.dat"_s)));
    AddRoot(u"Contact"_s);
    ReadCodeWindow(&shown);
    Click("btnOk");
    ASSERT_EQ(m_dialogs.messages.size(), 1u);
    EXPECT_EQ(m_dialogs.messages[0].caption, u"Tarnwick Quorvane Wizard"_s);
    EXPECT_EQ(m_dialogs.messages[0].icon, Dialogs::Icon::None);
    EXPECT_EQ(m_dialogs.messages[0].text,
              u"Data File not found\n\n"_s + m_dir.filePath(u"dhtml.dat"_s));
    EXPECT_EQ(shown, expected);
    EXPECT_EQ(m_window->GeneratedCode(), expected);

    // A template that is there but cannot be read abandons the command: no code window. (A
    // privileged user reads any file, so this part only runs for others.)
    WriteAll(m_dir.filePath(u"dhtml.dat"_s), kTemplate);
    ::chmod(QFile::encodeName(m_dir.filePath(u"dhtml.dat"_s)).constData(), 0);
    if (::geteuid() != 0) {
        m_dialogs.execs.clear();
        Click("btnOk");
        EXPECT_TRUE(m_dialogs.execs.isEmpty());
        EXPECT_EQ(m_dialogs.messages.back().text,
                  u"Cannot open file "_s + m_dir.filePath(u"dhtml.dat"_s));
    }
}

TEST_F(Commands, PreviewRefusesAnEmptyMenuThenWritesThePageAndOpensIt)
{
    Click("btnPreview");
    ASSERT_EQ(m_dialogs.messages.size(), 1u);
    EXPECT_EQ(m_dialogs.messages[0].text,
              u"You have not defined any menu items, please do so before previewing."_s);
    EXPECT_EQ(m_dialogs.messages[0].caption, u"Error"_s);
    EXPECT_EQ(m_dialogs.messages[0].icon, Dialogs::Icon::Information);
    EXPECT_FALSE(QFileInfo::exists(m_window->PreviewFilePath()));
    EXPECT_TRUE(m_shell.opened.isEmpty());

    AddRoot(u"Home"_s);
    Click("btnPreview");
    EXPECT_EQ(m_dialogs.messages.size(), 1u);
    EXPECT_EQ(m_shell.opened, QStringList{m_dir.filePath(u"~dhtml.htm"_s)});
    const QByteArray page = ReadAll(m_window->PreviewFilePath());
    EXPECT_TRUE(page.startsWith("<html><head></head><body><!-- menu -->\r\n\r\nMenu1="))
        << page.constData();
    EXPECT_TRUE(page.endsWith("5,10];\r\n</body></html>\r\n")) << page.constData();
    EXPECT_TRUE(m_window->GeneratedCode().isEmpty()) << "Preview leaves Get Code's text alone";

    // Without the template: the message only, no page written, no browser.
    QFile::remove(m_window->PreviewFilePath());
    QFile::remove(m_dir.filePath(u"dhtml.dat"_s));
    Click("btnPreview");
    EXPECT_EQ(m_dialogs.messages.back().text.left(19), u"Data File not found"_s);
    EXPECT_FALSE(QFileInfo::exists(m_window->PreviewFilePath()));
    EXPECT_EQ(m_shell.opened.size(), 1);

    // A page that cannot be written: the file layer's message, and no browser.
    WriteAll(m_dir.filePath(u"dhtml.dat"_s), kTemplate);
    ASSERT_TRUE(QDir(m_dir.path()).mkdir(u"~dhtml.htm"_s));
    Click("btnPreview");
    EXPECT_EQ(m_dialogs.messages.back().text,
              u"Cannot create file "_s + m_window->PreviewFilePath());
    EXPECT_EQ(m_dialogs.messages.back().caption, u"Tarnwick Quorvane Wizard"_s);
    EXPECT_EQ(m_shell.opened.size(), 1);
}

TEST(CodeWindow, CopyTakesTheWholeEditedTextAndKeepsTheSelection)
{
    TFrmQuorvaneCopy window;
    window.show();
    EXPECT_EQ(window.windowTitle(), u"Quorvane HTML Code"_s);
    window.ShowCodeText(u"line one\r\nline two\r\n"_s);
    EXPECT_EQ(window.CodeText(), u"line one\r\nline two\r\n"_s);

    QPlainTextEdit* memo = window.Memo1();
    QTextCursor cursor = memo->textCursor();
    cursor.setPosition(5);
    memo->setTextCursor(cursor);
    QTest::keyClicks(memo, u"big "_s);
    cursor = memo->textCursor();
    cursor.setPosition(2);
    cursor.setPosition(7, QTextCursor::KeepAnchor);
    memo->setTextCursor(cursor);

    QApplication::clipboard()->clear();
    QTest::mouseClick(window.Button2(), Qt::LeftButton);
    EXPECT_EQ(QApplication::clipboard()->text(), u"line big one\r\nline two\r\n"_s);
    EXPECT_EQ(memo->textCursor().anchor(), 2);
    EXPECT_EQ(memo->textCursor().position(), 7);
    EXPECT_TRUE(window.isVisible()) << "the window stays open after copying";

    QTest::mouseClick(window.btnClose(), Qt::LeftButton);
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(window.result(), QDialog::Rejected);
}

TEST_F(Commands, SaveProposesUntitledAndRefusesAnEmptyMenu)
{
    Click("btnSave");
    ASSERT_EQ(m_dialogs.messages.size(), 1u);
    EXPECT_EQ(m_dialogs.messages[0].text, u"You must have menus items specified before saving."_s);
    EXPECT_EQ(m_dialogs.messages[0].caption, u"No Items to Save"_s);
    EXPECT_TRUE(m_dialogs.saveRequests.empty());
    EXPECT_EQ(m_window->windowTitle(), u"Tarnwick Free Quorvane Builder"_s);

    AddRoot(u"Home"_s);
    m_dialogs.saveAnswers.push_back(std::nullopt); // cancelled
    Click("btnSave");
    const QString untitled = m_dir.filePath(u"Untitled.mnu"_s);
    ASSERT_EQ(m_dialogs.saveRequests.size(), 1u);
    EXPECT_EQ(m_dialogs.saveRequests[0].fileName, untitled);
    EXPECT_EQ(m_dialogs.saveRequests[0].initialFolder, m_window->AppFolderPath());
    EXPECT_EQ(m_dialogs.saveRequests[0].filter, u"Tarnwick Quorvane (*.mnu)"_s);
    EXPECT_EQ(m_dialogs.saveRequests[0].defaultSuffix, u"mnu"_s);
    EXPECT_TRUE(m_dialogs.saveRequests[0].confirmOverwrite);
    EXPECT_EQ(m_window->ProjectFile(), untitled);
    EXPECT_EQ(m_window->windowTitle(), u"Tarnwick Free Quorvane Builder"_s);
    EXPECT_FALSE(QFileInfo::exists(untitled));

    const QString menu1 = m_dir.filePath(u"menu1.mnu"_s);
    m_dialogs.saveAnswers.push_back(menu1);
    m_dialogs.saveAnswers.push_back(menu1);
    Click("btnSave");
    Click("btnSave");
    EXPECT_EQ(m_dialogs.saveRequests[1].fileName, untitled) << "a cancelled save keeps Untitled";
    EXPECT_EQ(m_dialogs.saveRequests[2].fileName, menu1) << "the next save proposes the file";
    EXPECT_EQ(m_window->windowTitle(), u"Tarnwick Free Quorvane Builder - "_s + menu1);
    EXPECT_TRUE(ReadAll(menu1).contains("MenuText_0=Home\r\n"));
}

TEST_F(Commands, SaveThenOpenRestoresTheWholeDesignAndTheCounterGoesOn)
{
    AddRoot(u"Home"_s);
    Click("btnAddSubItem");
    Click("btnAddSubItem");
    AddRoot(u"Contact \"us\""_s);
    Get<QLineEdit>("txtLink")->setText(u"mailto:a@b.c"_s);
    MenuStyle style;
    style.MainBG = 0x00123456;
    style.SubBorder = SystemColorRef(kButtonFace);
    style.MenuType = kMenuVertical;
    style.TextAlign = 2;
    style.HorzAlign = 1;
    style.VertAlign = 3;
    style.MenuTop = -40;
    style.MenuLeft = 7;
    style.LeftPadding = 11;
    style.TopPadding = 12;
    style.BorderWidth = 20;
    style.OnMouseOver = kUnfoldOnClick;
    style.MenuFont = "Georgia, serif";
    style.FontSize = 100;
    style.FontBold = true;
    style.FontItalic = true;
    style.Arrows = kArrowsLight;
    style.KeepHighlighted = false;
    style.BorderBetween = false;
    m_window->SetMenuStyle(style);
    const MenuStyle saved = m_window->GetMenuStyle();

    const QString file = m_dir.filePath(u"site.mnu"_s);
    m_dialogs.saveAnswers.push_back(file);
    Click("btnSave");
    ASSERT_TRUE(QFileInfo::exists(file));

    // Something else in the window, then the file opened again.
    m_window->SetMenuStyle(MenuStyle{});
    AddRoot(u"Scratch"_s);
    m_dialogs.openAnswers.push_back(file);
    Click("btnOpen");
    EXPECT_EQ(m_window->GetMenuStyle(), saved);
    ASSERT_EQ(Tree().Count(), 4u);
    EXPECT_EQ(Tree().At(0)->Text(), "Home");
    EXPECT_EQ(Tree().At(1)->Text(), "Untitled2");
    EXPECT_EQ(Tree().At(2)->Text(), "Untitled3");
    EXPECT_EQ(Tree().At(2)->Level(), 2);
    EXPECT_EQ(Tree().At(3)->Text(), "Contact \"us\"");
    EXPECT_EQ(Tree().At(3)->Rec().Link, "mailto:a@b.c");
    EXPECT_EQ(m_window->windowTitle(), u"Tarnwick Free Quorvane Builder - "_s + file);
    EXPECT_EQ(m_window->ProjectFile(), file);
    EXPECT_EQ(m_window->SelectedItem(), nullptr);
    EXPECT_FALSE(Get<QLineEdit>("txtCaption")->isEnabled()) << "the editor shows no removed item";

    Click("btnAddRootItem");
    EXPECT_EQ(Tree().At(4)->Text(), "Untitled6") << "the run's numbering goes on";

    // The open dialog proposes the last file chosen in it.
    m_dialogs.openAnswers.push_back(std::nullopt);
    Click("btnOpen");
    EXPECT_EQ(m_dialogs.openRequests.back().fileName, file);
    EXPECT_EQ(Tree().Count(), 5u) << "a cancelled open changes nothing";
}

TEST_F(Commands, TextAtItsEdgesIsSavedAndReopenedUnchanged)
{
    const std::vector<std::pair<QString, QString>> texts = {
        {u"Say \"hi\" \\ </script> %FontSize%"_s, u"a\\b.html?q=\"x\"&y='z'"_s},
        {QString::fromUtf8("Tab\there \xF0\x9D\x84\x9E \xF0\x9F\x98\x80 caf\xC3\xA9"),
         u"https://example.com/"_s + QString(u"abc/"_s).repeated(2500)},
        {u"  blanks around  "_s, u"\"quoted\""_s},
        {QString(), QString()},
    };
    for (const auto& [caption, link] : texts) {
        Click("btnAddRootItem");
        Get<QLineEdit>("txtCaption")->setText(caption);
        Get<QLineEdit>("txtLink")->setText(link);
    }
    const QString file = m_dir.filePath(u"edges.mnu"_s);
    m_dialogs.saveAnswers.push_back(file);
    Click("btnSave");
    ASSERT_TRUE(m_dialogs.messages.empty());
    m_dialogs.openAnswers.push_back(file);
    Click("btnOpen");
    ASSERT_EQ(Tree().Count(), texts.size());
    for (std::size_t i = 0; i < texts.size(); ++i) {
        EXPECT_EQ(QString::fromStdString(Tree().At(i)->Text()), texts[i].first) << i;
        EXPECT_EQ(QString::fromStdString(Tree().At(i)->Rec().Link), texts[i].second) << i;
    }

    // A file of an older tool, in Windows-1252: its accents arrive, and a save writes UTF-8.
    const QString old = m_dir.filePath(u"old.mnu"_s);
    WriteAll(old, "[Menus]\r\nMenuCount=1\r\nMenu_0=Menu1\r\n[MenuData]\r\nMenuName_0=Menu1\r\n"
                  "MenuText_0=Caf\xE9 \x93Men\xFC\x94\r\nMenuLink_0=men\xFC.html\r\n");
    m_dialogs.openAnswers.push_back(old);
    Click("btnOpen");
    ASSERT_EQ(Tree().Count(), 1u);
    const QString accented = QString::fromUtf8("Caf\xC3\xA9 \xE2\x80\x9CMen\xC3\xBC\xE2\x80\x9D");
    EXPECT_EQ(QString::fromStdString(Tree().At(0)->Text()), accented);
    m_dialogs.saveAnswers.push_back(old);
    Click("btnSave");
    EXPECT_TRUE(ReadAll(old).contains(QByteArray("MenuText_0=" + accented.toUtf8() + "\r\n")));
    m_dialogs.openAnswers.push_back(old);
    Click("btnOpen");
    EXPECT_EQ(QString::fromStdString(Tree().At(0)->Text()), accented);
    EXPECT_EQ(QString::fromStdString(Tree().At(0)->Rec().Link),
              QString::fromUtf8("men\xC3\xBC.html"));
}

TEST_F(Commands, OpeningAMissingFileGivesAnEmptyDesignWithTheReadDefaults)
{
    AddRoot(u"Home"_s);
    const QString missing = m_dir.filePath(u"nothing-here.mnu"_s);
    m_dialogs.openAnswers.push_back(missing);
    Click("btnOpen");
    EXPECT_TRUE(m_dialogs.messages.empty());
    EXPECT_TRUE(Tree().Empty());
    const MenuStyle style = m_window->GetMenuStyle();
    EXPECT_EQ(style.MainBG, 0u);
    EXPECT_EQ(style.SubFontMO, 0u);
    EXPECT_EQ(style.Arrows, kArrowsNone);
    EXPECT_TRUE(style.FontBold);
    EXPECT_TRUE(style.FontItalic);
    EXPECT_EQ(style.FontSize, 10);
    EXPECT_EQ(style.MenuFont, "");
    EXPECT_EQ(m_window->windowTitle(), u"Tarnwick Free Quorvane Builder - "_s + missing);
}

TEST_F(Commands, AFailedSaveReportsAndKeepsTheOldFile)
{
    AddRoot(u"Home"_s);
    const QString file = m_dir.filePath(u"locked.mnu"_s);
    WriteAll(file, "[Menus]\r\nMenuCount=0\r\n");
    ::chmod(QFile::encodeName(file).constData(), 0444);
    m_dialogs.saveAnswers.push_back(file);
    Click("btnSave");
    ASSERT_EQ(m_dialogs.messages.size(), 1u);
    EXPECT_EQ(m_dialogs.messages[0].text, u"Unable to write to "_s + file);
    EXPECT_EQ(m_dialogs.messages[0].caption, u"Tarnwick Quorvane Wizard"_s);
    EXPECT_EQ(ReadAll(file), "[Menus]\r\nMenuCount=0\r\n");
    EXPECT_EQ(m_window->windowTitle(), u"Tarnwick Free Quorvane Builder - "_s + file)
        << "the caption already names the chosen file";
}

// Texts far beyond the toolkit's default box length (32,767 characters) go whole through
// selecting, editing elsewhere, Get Code, Save and Open: a data: link, a long caption, a long
// font list, as a file can hold them.
TEST_F(Commands, LongTextsSurviveTheEditorGetCodeSaveAndOpenWhole)
{
    ASSERT_TRUE(IniWriteInteger(Ini().toStdString(), "Prompts", "QuorvaneNote", 1));
    WriteAll(m_dir.filePath(u"dhtml.dat"_s), "%menu%\nfont=\"%FontFamily%\";\n");
    const auto repeat = [](const std::string& unit, const std::string& end) {
        std::string text;
        while (text.size() + end.size() < 100000)
            text += unit;
        return text.substr(0, 100000 - end.size()) + end;
    };
    const std::string caption = repeat("Caption text ", "<end of caption>");
    const std::string link = "data:text/html," + repeat("%3Cp%3Ehello%3C%2Fp%3E", "#end");
    const std::string font = repeat("'Font Family', ", "serif");
    ASSERT_EQ(caption.size(), 100000u);
    ASSERT_EQ(font.size(), 100000u);

    MenuTree design;
    TMyRec rec;
    rec.Link = link;
    design.AppendRoot(caption, rec);
    design.AppendRoot("Short");
    MenuStyle style;
    style.MenuFont = font;
    const QString file = m_dir.filePath(u"long.mnu"_s);
    WriteMenuFile(file.toStdString(), design, style);

    Open(file);
    ASSERT_EQ(Tree().Count(), 2u);
    EXPECT_EQ(m_window->GetMenuStyle().MenuFont, font) << "the font list shown whole";
    ClickItem(Tree().At(0));
    EXPECT_EQ(Get<QLineEdit>("txtCaption")->text().size(), 100000);
    ClickItem(Tree().At(1));
    Get<QLineEdit>("txtCaption")->selectAll();
    QTest::keyClicks(Get<QLineEdit>("txtCaption"), u"Edited"_s);
    ClickItem(Tree().At(0));
    EXPECT_EQ(Tree().At(0)->Text(), caption);
    EXPECT_EQ(Tree().At(0)->Rec().Link, link);

    QString shown;
    ReadCodeWindow(&shown);
    Click("btnOk");
    const std::string code = shown.toStdString();
    EXPECT_NE(code.find("Menu1=new Array(\"" + ScriptStringLiteralBody(caption) + "\",\"" +
                        ScriptStringLiteralBody(link) + "\","),
              std::string::npos);
    EXPECT_NE(code.find("font=\"" + QuotedEitherWayStringBody(font) + "\";\r\n"),
              std::string::npos);

    const QString copy = m_dir.filePath(u"copy.mnu"_s);
    m_dialogs.saveAnswers.push_back(copy);
    Click("btnSave");
    ASSERT_TRUE(m_dialogs.messages.empty());
    Open(copy);
    ASSERT_EQ(Tree().Count(), 2u);
    EXPECT_EQ(Tree().At(0)->Text(), caption);
    EXPECT_EQ(Tree().At(0)->Rec().Link, link);
    EXPECT_EQ(Tree().At(1)->Text(), "Edited");
    EXPECT_EQ(m_window->GetMenuStyle().MenuFont, font);
    const IniDocument saved = IniDocument::Load(copy.toStdString());
    EXPECT_EQ(saved.Value("MenuData", "MenuText_0"), caption);
    EXPECT_EQ(saved.Value("MenuData", "MenuLink_0"), link);
    EXPECT_EQ(saved.Value("Options", "MenuFont"), font);
}

// The window and quorvane-gen make their code through one function: for every template and
// design the bytes are the same, Get Code's and Preview's alike.
TEST_F(Commands, GetCodeAndPreviewGiveWhatQuorvaneGenGives)
{
    ASSERT_TRUE(IniWriteInteger(Ini().toStdString(), "Prompts", "QuorvaneNote", 1));
    const QByteArray body = "<script>\r\n%menu%\r\nvar f='%FontFamily%', g=\"%FontFamily%\";\r\n"
                            "var n=%NoOffFirstLineMenus%, c='%LowSubBgColor%';\r\n%arrows%\r\n"
                            "</script>\r\n";
    QFile shipped(QFileInfo(QStringLiteral(QUORVANE_GEN)).dir().filePath(u"dhtml.dat"_s));
    ASSERT_TRUE(shipped.open(QIODevice::ReadOnly));
    const std::vector<std::pair<const char*, QByteArray>> templates = {
        {"UTF-8", "<!-- men\xC3\xBC \xE2\x80\x9C\xE2\x80\x9D -->\r\n" + body},
        {"UTF-8 with a byte-order mark", "\xEF\xBB\xBF<!-- men\xC3\xBC -->\r\n" + body},
        {"Windows-1252", "<!-- men\xFC \x93quoted\x94 \x80 -->\r\n" + body},
        {"LF only, no final break", "a\n%menu%\nb %FontSize% %LowBgColor% '%FontFamily%'"},
        {"the shipped template", shipped.readAll()},
    };

    MenuTree tree;
    MenuItem* home = tree.AppendRoot("Caf\xC3\xA9 \"quoted\" </script> \xF0\x9F\x98\x80");
    TMyRec rec;
    rec.Link = "men\xC3\xBC.html?a='b'";
    tree.AppendChild(home, "Sub \\ item", rec);
    tree.AppendRoot("Contact");
    MenuStyle style;
    style.MenuFont = "Tahoma, 'Segoe UI', \"Noto Sans\"";
    style.SubBG = 0x00123456;
    style.Arrows = kArrowsLight;
    WriteMenuFile(m_dir.filePath(u"utf8.mnu"_s).toStdString(), tree, style);
    WriteAll(m_dir.filePath(u"cp1252.mnu"_s),
             "[Options]\r\nMenuFont=Caf\xE9, serif\r\n[Menus]\r\nMenuCount=1\r\nMenu_0=Menu1\r\n"
             "[MenuData]\r\nMenuName_0=Menu1\r\nMenuText_0=Men\xFC \x93x\x94\r\n");
    WriteAll(m_dir.filePath(u"empty.mnu"_s), "[Options]\r\nFontSize=12\r\n");
    const std::vector<QString> designs = {u"utf8.mnu"_s, u"cp1252.mnu"_s, u"empty.mnu"_s};

    const QString templatePath = m_dir.filePath(u"dhtml.dat"_s);
    const auto generate = [&](const QString& design, bool preview) {
        QProcess gen;
        QStringList arguments = {m_dir.filePath(design), u"--template"_s, templatePath};
        if (preview)
            arguments << u"--preview"_s;
        gen.start(QStringLiteral(QUORVANE_GEN), arguments);
        EXPECT_TRUE(gen.waitForFinished(60000));
        EXPECT_EQ(gen.exitCode(), 0) << gen.readAllStandardError().toStdString();
        return gen.readAllStandardOutput();
    };
    for (const auto& [what, bytes] : templates) {
        WriteAll(templatePath, bytes);
        for (const QString& design : designs) {
            const std::string label = what + (" / " + design.toStdString());
            Open(m_dir.filePath(design));
            QString shown;
            ReadCodeWindow(&shown);
            Click("btnOk");
            const QByteArray code = generate(design, false);
            EXPECT_EQ(m_window->GeneratedCode().toUtf8(), code) << label;
            EXPECT_EQ(shown, m_window->GeneratedCode()) << label;
            if (Tree().Empty())
                continue;
            Click("btnPreview");
            EXPECT_EQ(ReadAll(m_window->PreviewFilePath()), generate(design, true)) << label;
        }
    }
    EXPECT_TRUE(m_dialogs.messages.empty());
}

// The desktop's size texts, which the messages about designs too large once took from the
// toolkit: the core's own give the same.
TEST(Messages, SizesReadAsTheDesktopWritesThem)
{
    std::vector<std::uint64_t> sizes = {0,
                                        1,
                                        1023,
                                        1024,
                                        1280,
                                        1792,
                                        1048575,
                                        1048576,
                                        (std::uint64_t{64} << 20) + 1,
                                        150'000'000,
                                        (std::uint64_t{1} << 53) + 1,
                                        std::uint64_t{1} << 62,
                                        std::numeric_limits<std::uint64_t>::max()};
    std::mt19937_64 random(12);
    for (int i = 0; i < 2000; ++i)
        sizes.push_back(random() >> (random() % 64));
    for (const std::uint64_t bytes : sizes) {
        const auto clamped =
            static_cast<qint64>(std::min<std::uint64_t>(bytes, std::numeric_limits<qint64>::max()));
        ASSERT_EQ(QString::fromStdString(DataSizeText(bytes)),
                  QLocale::c().formattedDataSize(clamped, 1, QLocale::DataSizeTraditionalFormat))
            << bytes;
    }
}

// "Copy to Clipboard" after scrolling halfway through the code: the whole text is copied and
// the view, the caret and the selection stay where they were.
TEST(CodeWindow, CopyLeavesTheViewWhereTheUserScrolled)
{
    TFrmQuorvaneCopy window;
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    QString text;
    for (int line = 0; line < 3000; ++line)
        text += QStringLiteral("var line%1 = %1;\r\n").arg(line);
    window.ShowCodeText(text);
    QPlainTextEdit* memo = window.Memo1();
    QScrollBar* bar = memo->verticalScrollBar();
    ASSERT_GT(bar->maximum(), 1000);
    bar->setValue(bar->maximum() / 2);
    const int scrolled = bar->value();
    QTextCursor cursor = memo->textCursor();
    cursor.setPosition(10);
    cursor.setPosition(20, QTextCursor::KeepAnchor);
    memo->setTextCursor(cursor); // a selection near the top, out of view
    bar->setValue(scrolled);

    QApplication::clipboard()->clear();
    QTest::mouseClick(window.Button2(), Qt::LeftButton);
    EXPECT_EQ(QApplication::clipboard()->text(), text);
    EXPECT_EQ(bar->value(), scrolled);
    EXPECT_EQ(memo->textCursor().anchor(), 10);
    EXPECT_EQ(memo->textCursor().position(), 20);
}

// The prompt dialog closed by its close box or Escape gives Cancel, as its Cancel button does.
TEST(PromptChoice, ClosingTheWindowGivesCancel)
{
    const std::vector<std::pair<const char*, std::function<void(TfrmPromptChoice&)>>> ways = {
        {"Escape", [](TfrmPromptChoice& d) { QTest::keyClick(&d, Qt::Key_Escape); }},
        {"close box", [](TfrmPromptChoice& d) { d.close(); }},
        {"Cancel", [](TfrmPromptChoice& d) { QTest::mouseClick(d.btnCancel(), Qt::LeftButton); }},
        {"first button",
         [](TfrmPromptChoice& d) { QTest::mouseClick(d.btnOne(), Qt::LeftButton); }},
    };
    for (const auto& [how, close] : ways) {
        TfrmPromptChoice dialog;
        QTimer::singleShot(0, &dialog, [&dialog, &close] { close(dialog); });
        const int expected = std::string_view(how) == "first button" ? TfrmPromptChoice::Yes
                                                                     : TfrmPromptChoice::Cancel;
        EXPECT_EQ(dialog.exec(), expected) << how;
        EXPECT_FALSE(dialog.isVisible()) << how;
    }
}

} // namespace
} // namespace qv
