#pragma once

#include <QDialog>
#include <QString>

#include <vector>

class QScrollBar;

namespace zv {

// What the automatic synchronisation proposes, as the dialog shows it. Times in film seconds.
struct SyncProposal {
    double shift = 0;        // how late the lines are shown now at the first line (negative: early)
    double factor = 1.0;     // film time = subtitle time * factor + offset
    struct Cut {
        int line = 0;        // 1-based, as the user counts lines
        double film = 0;     // where that line is shown after the correction
        double shift = 0;    // how late the lines from there are shown now
    };
    std::vector<Cut> cuts;
    double confidence = 0;   // 0..1
    // The picture: the speech score per `scoreStep` seconds from `scoreStart`, 0..1, and the
    // line starts as shown now and after the correction.
    std::vector<float> score;
    double scoreStart = 0;
    double scoreStep = 0.1;
    std::vector<double> before, after;
};

// "+7,30 s": signed, two decimals, Polish decimal comma.
QString formatSyncSeconds(double seconds, int decimals = 2);

// The strip of the speech score with the line starts drawn over it: before the correction in
// red along the top half, after it in green along the bottom half, a window of `span` seconds
// moved by a scroll bar.
class SyncPicture : public QWidget {
    Q_OBJECT

public:
    SyncPicture(const SyncProposal &proposal, QWidget *parent = nullptr);
    void setWindowStart(double seconds);
    double windowStart() const { return start_; }
    static constexpr double span = 60.0;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    const SyncProposal &p_;
    double start_ = 0;
};

// The proposal with "Zastosuj", "Zapisz tekst jako..." and "Anuluj".
class TSyncProposalDialog : public QDialog {
    Q_OBJECT

public:
    enum Choice { Cancel, Apply, Save };
    TSyncProposalDialog(SyncProposal proposal, QWidget *parent = nullptr);
    Choice choice() const { return choice_; }
    // The facts listed above the picture, one per line (tests read them).
    QString factsText() const { return facts_; }

private:
    SyncProposal proposal_;
    QString facts_;
    Choice choice_ = Cancel;
};

} // namespace zv
