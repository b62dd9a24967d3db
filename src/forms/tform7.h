#pragma once

#include <QWidget>

// The subtitle database window; it holds the database rows for the whole run.
class TForm7 : public QWidget {
    Q_OBJECT

public:
    explicit TForm7(QWidget *parent = nullptr);

    // The database file is read once at start-up and written once at exit.
    void OdczytajBazeNapisow();
    void ZapiszBazenapisow();
};
