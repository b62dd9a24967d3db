#include "playback/engine_dialogs.h"

#include "playback/media_engine.h"

#include <QCursor>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QHeaderView>
#include <QLocale>
#include <QMenu>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <cmath>

namespace {

const QLocale &polish()
{
    static const QLocale locale(QLocale::Polish, QLocale::Poland);
    return locale;
}

const QString kUnknown = QStringLiteral("—");

QString text(const QVariantMap &s, const char *key)
{
    const QString v = s.value(QLatin1String(key)).toString();
    return v.isEmpty() ? kUnknown : v;
}

// Polish digit grouping (a space every three digits from five digits on); Qt's own groups
// "1234 567" in this locale.
QString grouped(qint64 value)
{
    QString digits = QString::number(value < 0 ? -value : value);
    if (digits.size() > 4)
        for (qsizetype i = digits.size() - 3; i > 0; i -= 3)
            digits.insert(i, QChar(0x00a0));
    return value < 0 ? QLatin1Char('-') + digits : digits;
}

QString number(double value, int decimals)
{
    return polish().toString(value, 'f', decimals);
}

QString bitrate(const QVariantMap &s, const char *key)
{
    if (!s.contains(QLatin1String(key)))
        return kUnknown;
    return QStringLiteral("%1 kb/s").arg(grouped(qRound64(s.value(QLatin1String(key)).toDouble() / 1000.0)));
}

QString frameRate(const QVariantMap &s)
{
    const double fps = s.value(QLatin1String(EngineStat::FrameRate)).toDouble();
    if (!(fps > 0))
        return kUnknown;
    // 25 stays "25", 23.976 keeps its decimals.
    const int decimals = std::abs(fps - std::round(fps)) < 0.0005 ? 0 : 3;
    return QStringLiteral("%1 kl./s").arg(number(fps, decimals));
}

QString pictureSize(const QVariantMap &s)
{
    const int w = s.value(QLatin1String(EngineStat::Width)).toInt();
    const int h = s.value(QLatin1String(EngineStat::Height)).toInt();
    if (w <= 0 || h <= 0)
        return kUnknown;
    return QStringLiteral("%1 \u00d7 %2").arg(w).arg(h);
}

bool hasPicture(const QVariantMap &s)
{
    return s.contains(QLatin1String(EngineStat::VideoCodec));
}

bool hasSound(const QVariantMap &s)
{
    return s.contains(QLatin1String(EngineStat::AudioCodec));
}

QString channels(int n)
{
    if (n == 1)
        return QStringLiteral("1 kanał");
    const int last = n % 10, lastTwo = n % 100;
    const bool few = last >= 2 && last <= 4 && !(lastTwo >= 12 && lastTwo <= 14);
    return QStringLiteral("%1 %2").arg(n).arg(few ? QStringLiteral("kanały") : QStringLiteral("kanałów"));
}

QString soundLine(const QVariantMap &s)
{
    if (!hasSound(s))
        return QStringLiteral("brak dźwięku");
    QStringList parts{text(s, EngineStat::AudioCodec)};
    if (const int rate = s.value(QLatin1String(EngineStat::SampleRate)).toInt(); rate > 0)
        parts << QStringLiteral("%1 Hz").arg(rate);
    if (const int n = s.value(QLatin1String(EngineStat::Channels)).toInt(); n > 0)
        parts << channels(n);
    return parts.join(QStringLiteral(", "));
}

QString pictureLine(const QVariantMap &s)
{
    if (!hasPicture(s))
        return QStringLiteral("brak obrazu");
    return QStringList{text(s, EngineStat::VideoCodec), pictureSize(s), frameRate(s)}
        .join(QStringLiteral(", "));
}

QString clock(double seconds)
{
    const qint64 total = qint64(seconds);
    return QStringLiteral("%1:%2:%3")
        .arg(total / 3600)
        .arg(total / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(total % 60, 2, 10, QLatin1Char('0'));
}

QString fileName(const QVariantMap &s)
{
    const QString path = s.value(QLatin1String(EngineStat::File)).toString();
    return path.isEmpty() ? QStringLiteral("nic nie jest otwarte") : QFileInfo(path).fileName();
}

} // namespace

InfoRows statisticsRows(const QVariantMap &s)
{
    InfoRows rows{{QStringLiteral("Plik"), fileName(s)}};
    if (!s.contains(QLatin1String(EngineStat::File)))
        return rows;
    rows << qMakePair(QStringLiteral("Format"), text(s, EngineStat::Format))
         << qMakePair(QStringLiteral("Obraz"), pictureLine(s))
         << qMakePair(QStringLiteral("Dźwięk"), soundLine(s));
    if (hasPicture(s))
        rows << qMakePair(QStringLiteral("Przepływność obrazu"), bitrate(s, EngineStat::VideoBitrate));
    if (hasSound(s))
        rows << qMakePair(QStringLiteral("Przepływność dźwięku"), bitrate(s, EngineStat::AudioBitrate));
    if (hasPicture(s)) {
        const qint64 out = s.value(QLatin1String(EngineStat::DroppedFrames)).toLongLong();
        const qint64 dec = s.value(QLatin1String(EngineStat::DecoderDroppedFrames)).toLongLong();
        rows << qMakePair(QStringLiteral("Zgubione klatki"),
                          QStringLiteral("%1 (przy wyświetlaniu %2, w dekoderze %3)")
                              .arg(out + dec).arg(out).arg(dec));
        if (hasSound(s)) {
            const QString avsync = s.contains(QLatin1String(EngineStat::AvSync))
                ? QStringLiteral("%1 ms").arg(number(s.value(QLatin1String(EngineStat::AvSync)).toDouble() * 1000.0, 0))
                : kUnknown;
            rows << qMakePair(QStringLiteral("Różnica obraz-dźwięk"), avsync);
        }
    }
    return rows;
}

InfoRows propertiesRows(const QVariantMap &s)
{
    InfoRows rows{{QStringLiteral("Plik"), fileName(s)}};
    if (!s.contains(QLatin1String(EngineStat::File)))
        return rows;
    rows << qMakePair(QStringLiteral("Folder"),
                      QFileInfo(s.value(QLatin1String(EngineStat::File)).toString()).absolutePath());
    const QString size = s.contains(QLatin1String(EngineStat::FileSize))
        ? QStringLiteral("%1 B").arg(grouped(s.value(QLatin1String(EngineStat::FileSize)).toLongLong()))
        : kUnknown;
    rows << qMakePair(QStringLiteral("Rozmiar"), size)
         << qMakePair(QStringLiteral("Czas trwania"),
                      s.contains(QLatin1String(EngineStat::Duration))
                          ? clock(s.value(QLatin1String(EngineStat::Duration)).toDouble())
                          : kUnknown)
         << qMakePair(QStringLiteral("Format"), text(s, EngineStat::Format))
         << qMakePair(QStringLiteral("Obraz"), hasPicture(s) ? text(s, EngineStat::VideoCodec) : QStringLiteral("brak obrazu"));
    if (hasPicture(s))
        rows << qMakePair(QStringLiteral("Rozmiar obrazu"), pictureSize(s))
             << qMakePair(QStringLiteral("Liczba klatek na sekundę"), frameRate(s));
    rows << qMakePair(QStringLiteral("Dźwięk"), soundLine(s));
    return rows;
}

InfoRows aboutEngineRows(const QVariantMap &s)
{
    return {{QStringLiteral("Silnik odtwarzania"), text(s, EngineStat::EngineVersion)},
            {QStringLiteral("Dekodery"), text(s, EngineStat::DecoderVersion)},
            {QStringLiteral("Interfejs libmpv"), text(s, EngineStat::ApiVersion)}};
}

EngineInfoDialog::EngineInfoDialog(MediaEngine *engine, Kind kind, QWidget *parent)
    : QDialog(parent)
    , engine_(engine)
    , kind_(kind)
    , table_(new QTreeWidget(this))
    , refresh_(new QTimer(this))
{
    static const char *const titles[] = {"Statystyka", "Właściwości", "Silnik odtwarzania - informacje"};
    setWindowTitle(QString::fromUtf8(titles[kind]));
    table_->setColumnCount(2);
    table_->setHeaderHidden(true);
    table_->setRootIsDecorated(false);
    table_->setSelectionMode(QAbstractItemView::NoSelection);
    table_->setFocusPolicy(Qt::NoFocus);
    table_->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    table_->header()->setStretchLastSection(true);

    auto *buttons = new QDialogButtonBox(this);
    buttons->addButton(QStringLiteral("Zamknij"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(table_);
    layout->addWidget(buttons);
    resize(kind == About ? 460 : 520, kind == About ? 180 : 300);

    refresh_->setInterval(1000);
    connect(refresh_, &QTimer::timeout, engine_, &MediaEngine::requestStatistics);
    connect(engine_, &MediaEngine::StatisticsChanged, this, &EngineInfoDialog::fill);
    fill();
}

void EngineInfoDialog::showEvent(QShowEvent *event)
{
    engine_->requestStatistics();
    if (kind_ == Statistics)
        refresh_->start();
    QDialog::showEvent(event);
}

void EngineInfoDialog::hideEvent(QHideEvent *event)
{
    refresh_->stop();
    QDialog::hideEvent(event);
}

void EngineInfoDialog::fill()
{
    const QVariantMap stats = engine_->statistics();
    rows_ = kind_ == Statistics ? statisticsRows(stats)
          : kind_ == Properties ? propertiesRows(stats)
                                : aboutEngineRows(stats);
    table_->clear();
    for (const auto &[label, value] : rows_)
        table_->addTopLevelItem(new QTreeWidgetItem(QStringList{label, value}));
}

void connectEngineDialogs(MediaEngine *engine, QWidget *parent)
{
    auto windows = std::make_shared<QPointer<EngineInfoDialog>[]>(3);
    auto show = [engine, parent, windows](EngineInfoDialog::Kind kind) {
        QPointer<EngineInfoDialog> &w = windows[kind];
        if (!w)
            w = new EngineInfoDialog(engine, kind, parent ? parent->window() : nullptr);
        w->show();
        w->raise();
        w->activateWindow();
    };
    QObject::connect(engine, &MediaEngine::DialogRequested, parent, [show, parent](int kind) {
        switch (kind) {
        case MediaEngine::dkStatistics:
            show(EngineInfoDialog::Statistics);
            break;
        case MediaEngine::dkProperties:
            show(EngineInfoDialog::Properties);
            break;
        case MediaEngine::dkAbout:
            show(EngineInfoDialog::About);
            break;
        case MediaEngine::dkContextMenu: {
            QMenu menu(parent);
            QAction *properties = menu.addAction(QStringLiteral("&Właściwości"));
            QAction *statistics = menu.addAction(QStringLiteral("&Statystyka"));
            QAction *chosen = menu.exec(QCursor::pos());
            if (chosen == properties)
                show(EngineInfoDialog::Properties);
            else if (chosen == statistics)
                show(EngineInfoDialog::Statistics);
            break;
        }
        default:
            break;
        }
    });
}
