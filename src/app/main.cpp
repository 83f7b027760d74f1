#include <QApplication>
#include <QLabel>

// Until the designer window exists, the program shows a note that says so.
int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationDisplayName(QStringLiteral("Tarnwick Quorvane Wizard"));
    QLabel note(QStringLiteral("The Quorvane Wizard designer window is not built yet."));
    note.setMargin(24);
    note.show();
    app.exec();
    return 0;
}
