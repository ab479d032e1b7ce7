#include "shell/qt/message_box_reporter.h"

#include <QMessageBox>
#include <QPointer>

#include "runtime/program.h"

namespace kestrune {

void installMessageBoxReporter(QWidget* window) {
    runtime::setErrorReporter([owner = QPointer<QWidget>(window)](const std::string& message) {
        QMessageBox box(QMessageBox::Warning, QStringLiteral("Kestrune"),
                        QString::fromStdString(message), QMessageBox::Ok, owner.data());
        box.setObjectName(QStringLiteral("errorMessage"));
        box.exec();
    });
}

} // namespace kestrune
