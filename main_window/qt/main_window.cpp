#include "main_window/qt/main_window.h"

#include <functional>
#include <limits>

#include <QAccessibleWidget>
#include <QApplication>
#include <QDir>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>

#include "main_window/layout.h"
#include "runtime/program.h"

// Outside the namespace, where Q_INIT_RESOURCE must stand. The icon lives in this static library;
// naming its resource keeps the linker from dropping it.
static QIcon programIcon() {
    Q_INIT_RESOURCE(icons);
    QIcon icon;
    for (const QString& file : QDir(QStringLiteral(":/icons")).entryList()) {
        icon.addFile(QStringLiteral(":/icons/") + file);
    }
    return icon;
}

namespace kestrune {

namespace {

QRect toPixels(const layout::Twips& twips) {
    const layout::Pixels pixels = layout::toPixels(twips, layout::kDesignDpi);
    return QRect(pixels.left, pixels.top, pixels.right - pixels.left, pixels.bottom - pixels.top);
}

QColor fromStoredColour(std::uint32_t bgr) {
    return QColor(static_cast<int>(bgr & 0xFF), static_cast<int>((bgr >> 8) & 0xFF),
                  static_cast<int>((bgr >> 16) & 0xFF));
}

QString fromUtf16(std::u16string_view text) {
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

void setColour(QWidget* widget, QPalette::ColorRole role, std::uint32_t bgr) {
    QPalette palette = widget->palette();
    palette.setColor(role, fromStoredColour(bgr));
    widget->setPalette(palette);
}

// A one-pixel horizontal rule in a fixed colour.
class SeparatorLine : public QWidget {
public:
    SeparatorLine(QWidget* parent, QColor colour) : QWidget(parent), colour(colour) {}

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), colour);
    }

private:
    QColor colour;
};

// Qt shows a plain QWidget to screen readers as a nameless filler; the window must read as a
// frame and the lines as separators.
QAccessibleInterface* accessibleWithRole(const QString&, QObject* object) {
    if (auto* window = qobject_cast<MainWindow*>(object)) {
        return new QAccessibleWidget(window, QAccessible::Window);
    }
    if (auto* line = dynamic_cast<SeparatorLine*>(object)) {
        return new QAccessibleWidget(line, QAccessible::Separator);
    }
    return nullptr;
}

} // namespace

// The commands' view of a line edit. Text crosses to and from Qt's strings here and only here.
class LineEditTextBox : public TextBox {
public:
    explicit LineEditTextBox(QLineEdit* edit) : edit(edit) {}

    std::u16string text() const override { return edit->text().toStdU16String(); }
    void setText(const std::u16string& text) override {
        edit->setText(QString::fromStdU16String(text));
    }

private:
    QLineEdit* edit;
};

MainWindow::MainWindow(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint) {
    QAccessible::installFactory(accessibleWithRole); // once: Qt skips a factory it has
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Kestrune"));
    setWindowIcon(programIcon());
    setFixedSize(toPixels(layout::frmMain).size());
    setColour(this, QPalette::Window, layout::kWindowBackground);
    setAutoFillBackground(true);
    // The pixel size the layout was drawn for, in the desktop's family; the display's scale factor
    // enlarges window and text together. Full hinting keeps text this small crisp.
    QFont font = this->font();
    font.setPixelSize(layout::fontPixels(layout::kDesignDpi));
    font.setHintingPreference(QFont::PreferFullHinting);
    setFont(font);

    // Uncoloured lines take the application's window-text colour, not this recoloured window's.
    const QColor windowText = QApplication::palette().color(QPalette::WindowText);
    QList<QWidget*> created;
    for (const layout::Control& control : layout::kControls) {
        const QString caption = fromUtf16(control.caption);
        QWidget* widget = nullptr;
        switch (control.kind) {
        case layout::Kind::TextBox:
            widget = new QLineEdit(this);
            // Qt's default cap of 32,767 would cut a longer paste without a word; the cipher
            // reports over-long texts itself.
            static_cast<QLineEdit*>(widget)->setMaxLength(std::numeric_limits<int>::max());
            setColour(widget, QPalette::Base, layout::kTextBoxBackground);
            setColour(widget, QPalette::Text, layout::kTextBoxText);
            break;
        case layout::Kind::Button:
            widget = new QPushButton(caption, this);
            connect(static_cast<QPushButton*>(widget), &QPushButton::clicked, this,
                    [this, click = control.click] {
                        runtime::dispatchCommand([this, click] { std::invoke(click, *commands); });
                    });
            break;
        case layout::Kind::Label:
            widget = new QLabel(caption, this);
            static_cast<QLabel*>(widget)->setAlignment(Qt::AlignLeft | Qt::AlignTop);
            // On the window's own fill: Qt skips opaque children when a Wayland frame comes or
            // goes and their pixels are lost with the old buffer.
            setColour(widget, QPalette::WindowText, layout::kLabelText);
            break;
        case layout::Kind::Line:
            widget = new SeparatorLine(this, control.colour ? fromStoredColour(*control.colour)
                                                            : windowText);
            break;
        }
        widget->setObjectName(QString::fromLatin1(control.name));
        widget->setGeometry(toPixels(control.place));
        widget->setAccessibleName(fromUtf16(control.accessibleName));
        widget->setAccessibleDescription(fromUtf16(control.description));
        // Qt draws later siblings on top; an earlier control must stay above it.
        for (QWidget* earlier : created) {
            if (earlier->geometry().intersects(widget->geometry())) {
                widget->stackUnder(earlier);
                break;
            }
        }
        created.append(widget);
    }

    auto* txtResult = findChild<QLineEdit*>(QStringLiteral("txtResult"));
    // The result box's label for screen readers; the caption has no '&', so grabs no shortcut.
    findChild<QLabel*>(QStringLiteral("Label"))->setBuddy(txtResult);
    encryptBox = std::make_unique<LineEditTextBox>(findChild<QLineEdit*>("txtEncrypt"));
    decryptBox = std::make_unique<LineEditTextBox>(findChild<QLineEdit*>("txtDecrypt"));
    resultBox = std::make_unique<LineEditTextBox>(txtResult);
    commands = std::make_unique<frmMain>(*encryptBox, *decryptBox, *resultBox);
    created.first()->setFocus();
}

MainWindow::~MainWindow() = default;

} // namespace kestrune
