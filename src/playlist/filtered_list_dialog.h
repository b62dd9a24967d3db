#pragma once

#include "core/playlist/jump_filter.h"

#include <QDialog>

#include <functional>

class QGroupBox;
class QFrame;
class QLineEdit;
class QListView;
class QPushButton;
class QTimer;

namespace zv {
class FilteredListModel;
}

// A list of names narrowed while the user types words, one of them chosen with Enter or a
// double click: the common body of the jump dialogs (files of the playlist, subtitle lines,
// subtitle files). Searching runs in short slices between keystrokes; a newer keystroke drops
// the search under way, so the list always ends with the results of the last text typed.
// What is listed and what a choice does are the subclass's: it gives the names each time the
// dialog shows and reacts to `chosen`.
class FilteredListDialog : public QDialog {
    Q_OBJECT

public:
    explicit FilteredListDialog(QWidget *parent = nullptr);
    ~FilteredListDialog() override;

    QStringList shownNames() const;
    int selectedRow() const;        // -1: none
    void selectRow(int row);
    bool searching() const;         // a search is still running
    // Enter or a double click: closes the dialog and emits `chosen` for the selected row, or
    // for the first row shown when none is selected; nothing is chosen from an empty list.
    void Jump();
    // The opening command: hides the dialog when shown, otherwise shows it modally. Returns
    // whether it is shown afterwards, for the command's check mark.
    bool toggle();

    // Longest stretch one slice of a search may take before keystrokes are served.
    static constexpr int kSliceMs = 8;

    QGroupBox *GroupBox1 = nullptr;
    QLineEdit *Edit1 = nullptr;
    QFrame *Panel1 = nullptr;
    QListView *ListBox1 = nullptr;
    QPushButton *Button1 = nullptr;   // "Anuluj"

signals:
    // The chosen row: its index in the names given at showing, and its text.
    void chosen(int sourceRow, const QString &name);
    // The dialog closed; its list is empty again.
    void closed();

public slots:
    void done(int result) override;

protected:
    // The names to list, read each time the dialog shows.
    virtual QStringList sourceNames() = 0;
    // The row selected when the dialog shows (-1: none), among `names` in source order.
    virtual int initialRow(const QStringList &names);
    // Shown rows kept in alphabetical order, ignoring letter case, instead of source order.
    void setSortedRows(bool sorted) { sorted_ = sorted; }

    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void Edit1Change(const QString &text);
    void runSlice();
    void finishSearch();
    void followListFont();
    void showMatches();
    void rankNames();

    zv::JumpFilter filter_;
    zv::FilteredListModel *model_ = nullptr;
    QTimer *slice_ = nullptr;
    bool sorted_ = false;
    QList<int> rank_;   // with sorted rows: each name's place in alphabetical order
};
