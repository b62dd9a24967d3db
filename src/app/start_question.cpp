#include "app/start_question.h"

#include <QMessageBox>

namespace zv {

bool askStartQuestion(const QString &text)
{
    QMessageBox box(QMessageBox::Question, QStringLiteral("Zentavista"), text,
                    QMessageBox::Ok | QMessageBox::Cancel);
    box.setObjectName(QStringLiteral("StartQuestion"));
    box.setTextFormat(Qt::PlainText); // shown as typed, never as markup
    box.setDefaultButton(QMessageBox::Ok);
    box.setEscapeButton(QMessageBox::Cancel);
    return box.exec() == QMessageBox::Ok;
}

} // namespace zv
