#include "main_window/qt/main_window.h"

#include <limits>

#include <QAccessibleWidget>
#include <QApplication>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>

#include "main_window/layout.h"
#include "runtime/program.h"

// The icon lives in this static library; naming its resource keeps the linker from dropping it.
static void loadIconResource() {
    Q_INIT_RESOURCE(icons);
}

namespace kestrune {

namespace {

QIcon programIcon() {
    loadIconResource();
    QIcon icon;
    for (const char* size : {"16", "32", "48"}) {
        icon.addFile(QStringLiteral(":/icons/kestrune-%1.png").arg(QLatin1String(size)));
        icon.addFile(QStringLiteral(":/icons/kestrune-%1-8bit.png").arg(QLatin1String(size)));
    }
    return icon;
}

QRect toPixels(const layout::Twips& twips) {
    return QRect(layout::toPixels(twips.left), layout::toPixels(twips.top),
                 layout::toPixels(twips.width), layout::toPixels(twips.height));
}

QColor fromStoredColour(std::uint32_t bgr) {
    return QColor(static_cast<int>(bgr & 0xFF), static_cast<int>((bgr >> 8) & 0xFF),
                  static_cast<int>((bgr >> 16) & 0xFF));
}

void place(QWidget* widget, const char* name, const layout::Twips& twips) {
    widget->setObjectName(QString::fromLatin1(name));
    widget->setGeometry(toPixels(twips));
}

void describe(QWidget* widget, const QString& name, const QString& description) {
    widget->setAccessibleName(name);
    widget->setAccessibleDescription(description);
}

QLineEdit* makeTextBox(QWidget* parent, const char* name, const layout::Twips& twips) {
    auto* box = new QLineEdit(parent);
    place(box, name, twips);
    // Qt's default cap of 32,767 would cut a longer paste without a word; the cipher reports
    // over-long texts itself.
    box->setMaxLength(std::numeric_limits<int>::max());
    QPalette palette = box->palette();
    palette.setColor(QPalette::Base, fromStoredColour(layout::kTextBoxBackground));
    palette.setColor(QPalette::Text, fromStoredColour(layout::kTextBoxText));
    box->setPalette(palette);
    return box;
}

QPushButton* makeButton(QWidget* parent, const char* name, const QString& caption,
                        const layout::Twips& twips) {
    auto* button = new QPushButton(caption, parent);
    place(button, name, twips);
    // Enter in a text box must not run a command.
    button->setAutoDefault(false);
    button->setDefault(false);
    return button;
}

} // namespace

// A one-pixel horizontal rule in a fixed colour.
class SeparatorLine : public QWidget {
public:
    SeparatorLine(QWidget* parent, const char* name, const layout::Twips& twips, QColor colour)
        : QWidget(parent), colour(colour) {
        place(this, name, twips);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), colour);
    }

private:
    QColor colour;
};

namespace {

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

void installAccessibleRoles() {
    static const bool installed = [] {
        QAccessible::installFactory(accessibleWithRole);
        return true;
    }();
    (void)installed;
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
    installAccessibleRoles();
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Kestrune"));
    setWindowIcon(programIcon());
    setFixedSize(toPixels(layout::frmMain).size());

    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, fromStoredColour(layout::kWindowBackground));
    setPalette(palette);
    setAutoFillBackground(true);

    txtEncrypt = makeTextBox(this, "txtEncrypt", layout::txtEncrypt);
    cmdEncrypt = makeButton(this, "cmdEncrypt", QStringLiteral("Encrypt"), layout::cmdEncrypt);
    txtDecrypt = makeTextBox(this, "txtDecrypt", layout::txtDecrypt);
    cmdDecrypt = makeButton(this, "cmdDecrypt", QStringLiteral("Decrypt"), layout::cmdDecrypt);

    Label = new QLabel(QStringLiteral("Result:"), this);
    place(Label, "Label", layout::Label);
    Label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    QPalette labelPalette = Label->palette();
    labelPalette.setColor(QPalette::WindowText, fromStoredColour(layout::kLabelText));
    Label->setPalette(labelPalette);
    Label->setAutoFillBackground(true);

    txtResult = makeTextBox(this, "txtResult", layout::txtResult);
    // Makes the label the result box's label for screen readers. The caption has no '&', so
    // this grabs no shortcut.
    Label->setBuddy(txtResult);
    // The label's last row lies under the result box; the box is drawn over it.
    txtResult->raise();
    cmdQuit = makeButton(this, "cmdQuit", QStringLiteral("Quit"), layout::cmdQuit);

    // Line 1 is black; the others take the window-text colour of the application's own palette,
    // not of this recoloured window.
    const QColor defaultLineColour = QApplication::palette().color(QPalette::WindowText);
    new SeparatorLine(this, "Line1", layout::Line1, fromStoredColour(layout::kLine1));
    new SeparatorLine(this, "Line2", layout::Line2, defaultLineColour);
    new SeparatorLine(this, "Line3", layout::Line3, defaultLineColour);

    describe(txtEncrypt, tr("Text to encrypt"), tr("Type or paste the text to encrypt."));
    describe(cmdEncrypt, tr("Encrypt"), tr("Encrypts the text to encrypt into the result."));
    describe(txtDecrypt, tr("Text to decrypt"), tr("Paste encrypted text here to decrypt it."));
    describe(cmdDecrypt, tr("Decrypt"), tr("Decrypts the text to decrypt into the result."));
    describe(txtResult, tr("Result"), tr("The outcome of the last Encrypt or Decrypt."));
    describe(cmdQuit, tr("Quit"), tr("Ends Kestrune."));

    setTabOrder(txtEncrypt, cmdEncrypt);
    setTabOrder(cmdEncrypt, txtDecrypt);
    setTabOrder(txtDecrypt, cmdDecrypt);
    setTabOrder(cmdDecrypt, txtResult);
    setTabOrder(txtResult, cmdQuit);
    txtEncrypt->setFocus();

    encryptBox = std::make_unique<LineEditTextBox>(txtEncrypt);
    decryptBox = std::make_unique<LineEditTextBox>(txtDecrypt);
    resultBox = std::make_unique<LineEditTextBox>(txtResult);
    commands = std::make_unique<frmMain>(*encryptBox, *decryptBox, *resultBox);

    connect(cmdEncrypt, &QPushButton::clicked, this,
            [this] { runtime::dispatchCommand([this] { commands->cmdEncrypt_Click(); }); });
    connect(cmdDecrypt, &QPushButton::clicked, this,
            [this] { runtime::dispatchCommand([this] { commands->cmdDecrypt_Click(); }); });
    connect(cmdQuit, &QPushButton::clicked, this,
            [this] { runtime::dispatchCommand([this] { commands->cmdQuit_Click(); }); });
}

MainWindow::~MainWindow() = default;

} // namespace kestrune
