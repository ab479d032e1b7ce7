#include "shell/qt/message_box_reporter.h"

#include <QMessageBox>
#include <QPointer>

#include "runtime/program.h"

namespace kestrune {

void installMessageBoxReporter(QWidget* window) {
    runtime::setErrorReporter([owner = QPointer<QWidget>(window)](const std::u16string& message) {
        QMessageBox box(QMessageBox::Warning, QStringLiteral("Kestrune"),
                        QString::fromStdU16String(message), QMessageBox::Ok, owner.data());
        box.setObjectName(QStringLiteral("errorMessage"));
        box.exec();
    });
}

} // namespace kestrune
