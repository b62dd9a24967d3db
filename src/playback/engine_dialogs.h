#pragma once

#include <QDialog>
#include <QList>
#include <QPair>
#include <QPointer>
#include <QString>
#include <QVariantMap>

class MediaEngine;
class QTimer;
class QTreeWidget;

// The engine's own windows (statistics, properties of the open file, about the engine), filled
// from MediaEngine::statistics(). The rows are built by plain functions, testable without a window.
using InfoRows = QList<QPair<QString, QString>>;
InfoRows statisticsRows(const QVariantMap &stats);
InfoRows propertiesRows(const QVariantMap &stats);
InfoRows aboutEngineRows(const QVariantMap &stats);

class EngineInfoDialog : public QDialog {
    Q_OBJECT

public:
    enum Kind { Statistics, Properties, About };

    // Statistics refresh every second while shown; the others are read once when shown.
    EngineInfoDialog(MediaEngine *engine, Kind kind, QWidget *parent = nullptr);

    Kind kind() const { return kind_; }
    InfoRows rows() const { return rows_; }

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void fill();

    MediaEngine *engine_;
    Kind kind_;
    QTreeWidget *table_;
    QTimer *refresh_;
    InfoRows rows_;
};

// Shows the engine's windows whenever it asks for them (ShowDialog, AboutBox), one of each kind,
// parented to `parent`. Kind 3 is a small menu at the cursor that returns when it closes.
void connectEngineDialogs(MediaEngine *engine, QWidget *parent);
