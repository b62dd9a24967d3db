#pragma once

#include <QObject>
#include <QString>

namespace zv {

struct AppContext;

// The settings file (read at start-up, written at exit), the options dialog and the file
// types registered with the desktop.
class OptionsController : public QObject {
    Q_OBJECT

public:
    explicit OptionsController(AppContext &ctx);

    void loadini();
    // Writes the settings file; on failure tells "Unable to write to <path>" and returns false.
    bool saveini();
    // "Domyślne": every setting at its default, applied as loadini applies the file; the file
    // itself is replaced only at exit, so nothing is lost if the program stops before.
    void LoadDefaultSettings();
    bool settingsLoaded() const { return settingsLoaded_; }

    void UstawZmienneDoOpcji();     // settings -> dialog
    void UstawOpcjeDoZmiennych();   // dialog -> settings, applied everywhere
    void SprawdzSkojarzenia();      // marks the extensions whose file type opens with us
    // "OK"/"Zastosuj" on "Typy plików": the desktop entry and mimeapps.list are written.
    void DodajFilesReg();
    // Shows the dialog on the page with that caption.
    void showPage(const QString &caption);

    void Opcje1Click();

private:
    void applyToWindows();

    AppContext &ctx_;
    bool settingsLoaded_ = false;
};

} // namespace zv
