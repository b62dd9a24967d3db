#pragma once

#include <QDialog>

class QPlainTextEdit;
class QTabWidget;
class QTreeWidget;

// The About window, shown modally: the program and its version, a short history, and the
// list of keys (made from the key table, so it always tells the truth).
// Each showing starts on the first page, "O programie...".
class TForm10 : public QDialog {
    Q_OBJECT

public:
    explicit TForm10(QWidget *parent = nullptr);

    // "key<TAB>what it does" per line.
    void setKeyList(const QStringList &lines);

    QTabWidget *PageControl1 = nullptr;
    QTreeWidget *KeyList = nullptr;

protected:
    void done(int result) override;
};
