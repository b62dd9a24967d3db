#include "subtitles/sync_proposal_dialog.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace zv {

namespace {

struct KnownRate {
    double factor;
    const char *text;
};

// The frame-rate changes users meet, named as they know them.
constexpr KnownRate kKnownRates[] = {
    {25.0 / 23.976, "23,976 → 25 kl./s"}, {23.976 / 25.0, "25 → 23,976 kl./s"},
    {25.0 / 24.0, "24 → 25 kl./s"},       {24.0 / 25.0, "25 → 24 kl./s"},
    {24.0 / 23.976, "23,976 → 24 kl./s"}, {23.976 / 24.0, "24 → 23,976 kl./s"},
    {30.0 / 25.0, "25 → 30 kl./s"},       {25.0 / 30.0, "30 → 25 kl./s"},
};

QString clock(double seconds)
{
    const qint64 ms = qint64(std::llround(std::max(seconds, 0.0) * 1000));
    return QStringLiteral("%1:%2:%3,%4")
        .arg(ms / 3600000)
        .arg(ms / 60000 % 60, 2, 10, QLatin1Char('0'))
        .arg(ms / 1000 % 60, 2, 10, QLatin1Char('0'))
        .arg(ms / 100 % 10);
}

QString rateText(double factor)
{
    if (std::abs(factor - 1.0) < 1e-6)
        return QStringLiteral("bez zmiany");
    for (const KnownRate &r : kKnownRates)
        if (std::abs(factor / r.factor - 1.0) < 2e-4)
            return QString::fromUtf8(r.text);
    return QStringLiteral("×%1").arg(QString::number(factor, 'f', 5).replace(u'.', u','));
}

QString lateness(double shift)
{
    if (std::abs(shift) < 0.05) // below what anyone sees
        return QString();
    return shift > 0 ? QStringLiteral(" (napisy są za późno)") : QStringLiteral(" (napisy są za wcześnie)");
}

} // namespace

QString formatSyncSeconds(double seconds, int decimals)
{
    QString n = QString::number(std::abs(seconds), 'f', decimals).replace(u'.', u',');
    const bool zero = std::abs(seconds) < 0.5 * std::pow(10.0, -decimals);
    return (zero ? QString() : seconds < 0 ? QStringLiteral("−") : QStringLiteral("+")) + n + QStringLiteral(" s");
}

SyncPicture::SyncPicture(const SyncProposal &proposal, QWidget *parent) : QWidget(parent), p_(proposal)
{
    setObjectName(QStringLiteral("SyncPicture"));
    setMinimumSize(600, 90);
}

void SyncPicture::setWindowStart(double seconds)
{
    start_ = seconds;
    update();
}

void SyncPicture::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QRectF r = rect();
    painter.fillRect(r, QColor(24, 24, 24));
    const double perPixel = span / std::max(1.0, r.width());
    const auto x = [&](double t) { return (t - start_) / perPixel; };
    // Speech score: one bar per pixel column, its height the strongest step under it.
    const double step = p_.scoreStep > 0 ? p_.scoreStep : 0.1;
    const double mid = r.height() / 2;
    for (int px = 0; px < int(r.width()); ++px) {
        const double t0 = start_ + px * perPixel, t1 = t0 + perPixel;
        const qsizetype i0 = qsizetype(std::floor((t0 - p_.scoreStart) / step));
        const qsizetype i1 = qsizetype(std::ceil((t1 - p_.scoreStart) / step));
        float v = 0;
        for (qsizetype i = std::max<qsizetype>(i0, 0); i < std::min<qsizetype>(i1, qsizetype(p_.score.size())); ++i)
            v = std::max(v, p_.score[size_t(i)]);
        const double h = std::clamp(double(v), 0.0, 1.0) * (r.height() - 4);
        painter.fillRect(QRectF(px, mid - h / 2, 1, h), QColor(110, 110, 130));
    }
    const auto ticks = [&](const std::vector<double> &starts, const QColor &colour, double top) {
        painter.setPen(QPen(colour, 2));
        for (double t : starts)
            if (t >= start_ && t <= start_ + span)
                painter.drawLine(QPointF(x(t), top), QPointF(x(t), top + mid - 2));
    };
    ticks(p_.before, QColor(230, 60, 60), 1);
    ticks(p_.after, QColor(60, 220, 90), mid + 1);
    painter.setPen(Qt::white);
    painter.drawText(r.adjusted(4, 2, -4, -2), Qt::AlignLeft | Qt::AlignTop, clock(start_));
    painter.drawText(r.adjusted(4, 2, -4, -2), Qt::AlignRight | Qt::AlignTop, clock(start_ + span));
}

TSyncProposalDialog::TSyncProposalDialog(SyncProposal proposal, QWidget *parent)
    : QDialog(parent), proposal_(std::move(proposal))
{
    setObjectName(QStringLiteral("SyncProposalDialog"));
    setWindowTitle(QStringLiteral("Synchronizacja napisów"));
    const SyncProposal &p = proposal_;
    QStringList facts;
    facts << QStringLiteral("Przesunięcie napisów: %1%2").arg(formatSyncSeconds(p.shift), lateness(p.shift));
    facts << QStringLiteral("Tempo: %1").arg(rateText(p.factor));
    if (p.cuts.empty()) {
        facts << QStringLiteral("Cięcia: brak");
    } else {
        for (const SyncProposal::Cut &c : p.cuts)
            facts << QStringLiteral("Cięcie przed napisem %1 (%2): od niego przesunięcie %3")
                         .arg(c.line)
                         .arg(clock(c.film), formatSyncSeconds(c.shift));
    }
    facts << QStringLiteral("Pewność: %1%").arg(int(std::lround(std::clamp(p.confidence, 0.0, 1.0) * 100)));
    facts_ = facts.join(u'\n');

    auto *v = new QVBoxLayout(this);
    auto *text = new QLabel(facts_);
    text->setObjectName(QStringLiteral("SyncFacts"));
    v->addWidget(text);
    auto *legend = new QLabel(QStringLiteral("<span style='color:#e63c3c'>■</span> początki napisów teraz &nbsp; "
                                             "<span style='color:#3cdc5a'>■</span> po synchronizacji &nbsp; "
                                             "szare: mowa w filmie"));
    v->addWidget(legend);
    auto *picture = new SyncPicture(proposal_);
    v->addWidget(picture);
    auto *scroll = new QScrollBar(Qt::Horizontal);
    double last = 0;
    for (const auto *list : {&p.before, &p.after})
        if (!list->empty())
            last = std::max(last, *std::max_element(list->begin(), list->end()));
    last = std::max(last, p.scoreStart + double(p.score.size()) * p.scoreStep);
    scroll->setRange(0, std::max(0, int(std::ceil(last - SyncPicture::span))));
    scroll->setPageStep(int(SyncPicture::span));
    v->addWidget(scroll);
    connect(scroll, &QScrollBar::valueChanged, picture, [picture](int s) { picture->setWindowStart(s); });
    // Open on the first lines, where the fit is easiest to judge.
    double first = last;
    for (const auto *list : {&p.before, &p.after})
        if (!list->empty())
            first = std::min(first, *std::min_element(list->begin(), list->end()));
    scroll->setValue(std::max(0, int(first) - 5));
    picture->setWindowStart(scroll->value());

    auto *buttons = new QDialogButtonBox;
    QPushButton *apply = buttons->addButton(QStringLiteral("Zastosuj"), QDialogButtonBox::AcceptRole);
    QPushButton *save = buttons->addButton(QStringLiteral("Zapisz tekst jako..."), QDialogButtonBox::ActionRole);
    QPushButton *cancel = buttons->addButton(QStringLiteral("Anuluj"), QDialogButtonBox::RejectRole);
    apply->setObjectName(QStringLiteral("SyncApply"));
    save->setObjectName(QStringLiteral("SyncSave"));
    cancel->setObjectName(QStringLiteral("SyncCancel"));
    apply->setDefault(true);
    connect(apply, &QPushButton::clicked, this, [this] { choice_ = Apply; accept(); });
    connect(save, &QPushButton::clicked, this, [this] { choice_ = Save; accept(); });
    connect(cancel, &QPushButton::clicked, this, [this] { choice_ = Cancel; reject(); });
    v->addWidget(buttons);
}

} // namespace zv
