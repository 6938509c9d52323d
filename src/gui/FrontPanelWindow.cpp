#include "gui/FrontPanelWindow.h"

#include <QAction>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QFontDatabase>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QRadialGradient>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <vector>

#include "app/FrontPanelMessages.h"
#include "foundation/Messages.h"
#include "gui/FrontPanelHost.h"
#include "network/InstrumentNode.h"

namespace talven::gui {

namespace {

/// Sizes of one of the two panel variants.
struct Metrics {
    int displayPoints;
    int buttonPoints;
    int lightDiameter;
    int keyWidth;
    int keyHeight;
    int margin;
};

Metrics MetricsOf(PanelSize size) {
    return size == PanelSize::kLarge ? Metrics{15, 12, 30, 92, 60, 14} : Metrics{10, 9, 20, 66, 44, 10};
}

/// The panel's background and the display's, as the instrument's own front looks: a light
/// display behind a darker bezel.
const QColor kDisplayBackground(236, 240, 232);
const QColor kBezel(70, 76, 84);

QColor ToColour(const PanelColour& c) {
    return QColor(c.r, c.g, c.b);
}

void SetField(QLabel& label, const PanelField& field, const QFont& font) {
    label.setText(ToQt(field.text));
    QPalette palette = label.palette();
    palette.setColor(QPalette::WindowText, ToColour(field.colour));
    label.setPalette(palette);
    QFont f = font;
    f.setBold(field.emphasis);
    label.setFont(f);
}

QLabel* MakeFieldLabel(QWidget* parent, const char* name) {
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    // Instrument text is shown as it is: never as rich text, never with mnemonics.
    label->setTextFormat(Qt::PlainText);
    return label;
}

QIcon PanelIcon() {
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(kBezel);
    p.setPen(Qt::NoPen);
    p.drawRoundedRect(QRectF(1, 4, 30, 24), 4, 4);
    p.setBrush(kDisplayBackground);
    p.drawRect(QRectF(4, 7, 18, 10));
    const QColor lights[] = {QColor(30, 200, 70), QColor(255, 180, 0), QColor(235, 40, 40)};
    for (int i = 0; i < 3; ++i) {
        p.setBrush(lights[i]);
        p.drawEllipse(QRectF(24, 7 + i * 6.5, 5, 5));
    }
    return QIcon(pixmap);
}

}  // namespace

namespace panelui {

/// A status light drawn to its size, so it stays crisp in both panel sizes and at any scale.
class LightWidget : public QWidget {
  public:
    LightWidget(QColor colour, QWidget* parent) : QWidget(parent), colour_(colour) {}
    void SetLit(bool lit) {
        if (lit != lit_) {
            lit_ = lit;
            update();
        }
    }
    bool IsLit() const { return lit_; }

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const qreal d = std::min(width(), height());
        const qreal rim = std::max<qreal>(1.0, d / 12.0);
        const QRectF r((width() - d) / 2 + rim / 2, (height() - d) / 2 + rim / 2, d - rim, d - rim);
        const QColor base = lit_ ? colour_ : colour_.darker(330);
        QRadialGradient glow(r.center() - QPointF(d / 6, d / 6), d * 0.65);
        glow.setColorAt(0.0, lit_ ? colour_.lighter(165) : base.lighter(140));
        glow.setColorAt(1.0, base);
        p.setPen(QPen(QColor(40, 42, 46), rim));
        p.setBrush(glow);
        p.drawEllipse(r);
        // A small reflection on the lens.
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(255, 255, 255, lit_ ? 150 : 60));
        p.drawEllipse(QRectF(r.left() + r.width() * 0.22, r.top() + r.height() * 0.16, r.width() * 0.3,
                             r.height() * 0.2));
    }

  private:
    QColor colour_;
    bool lit_ = false;
};

/// The reading area: its lines of gas, concentration(s) and units, placed in equal rows from the
/// top, as many rows as the presenter asks for.
class ReadingArea : public QWidget {
  public:
    explicit ReadingArea(QWidget* parent) : QWidget(parent) {}

    /// Analyzer: 10 lines of gas, concentration, units. Calibrator: 4 lines with a second
    /// concentration.
    void SetShape(std::size_t lines, bool calibrator) {
        if (lines == lines_.size() && calibrator == calibrator_)
            return;
        for (auto& line : lines_)
            for (QLabel* label : line)
                delete label;
        lines_.clear();
        calibrator_ = calibrator;
        for (std::size_t i = 0; i < lines; ++i) {
            std::array<QLabel*, 4> line{};
            for (QLabel*& label : line) {
                label = MakeFieldLabel(this, "reading");
                label->hide();
            }
            line[1]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
            line[2]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
            lines_.push_back(line);
        }
        shown_.assign(lines, false);
    }

    void Apply(const FrontPanelPresenter& p, const QFont& font) {
        font_ = font;
        SetShape(p.ReadingLines().size(), p.Layout() == PanelLayout::kCalibrator);
        slots_ = std::max(p.RowSlots(), 1);
        for (std::size_t i = 0; i < lines_.size(); ++i) {
            const ReadingFields& f = p.ReadingLines()[i];
            SetField(*lines_[i][0], f.gas, font);
            SetField(*lines_[i][1], f.concentration, font);
            SetField(*lines_[i][2], f.secondConcentration, font);
            SetField(*lines_[i][3], f.units, font);
            shown_[i] = p.IsLineShown(i);
        }
        Position();
    }

    QString LineText(std::size_t line) const {
        if (line >= lines_.size() || !shown_[line])
            return {};
        QStringList parts;
        for (QLabel* label : lines_[line])
            if (!label->text().isEmpty())
                parts << label->text();
        return parts.join(' ');
    }

    QSize sizeHint() const override {
        const QFontMetrics m(font_);
        const int width = m.horizontalAdvance(QString(40, 'M'));
        return {width, static_cast<int>(panel::kAnalyzerRows) * (m.height() + 4)};
    }

  protected:
    void resizeEvent(QResizeEvent*) override { Position(); }

  private:
    void Position() {
        const QFontMetrics m(font_);
        const int gasWidth = m.horizontalAdvance(QString(6, 'M'));
        const int concentrationWidth = m.horizontalAdvance(QString(10, 'M'));
        const int gap = m.horizontalAdvance('M');
        const int rowHeight = height() / slots_;
        for (std::size_t i = 0; i < lines_.size(); ++i) {
            const int y = static_cast<int>(i) * rowHeight;
            int x = gap;
            const auto place = [&](QLabel* label, int width) {
                label->setGeometry(x, y, width, rowHeight);
                label->setVisible(shown_[i] && static_cast<int>(i) < slots_);
                x += width + gap;
            };
            place(lines_[i][0], gasWidth);
            place(lines_[i][1], concentrationWidth);
            if (calibrator_) {
                place(lines_[i][2], concentrationWidth);
            } else {
                lines_[i][2]->hide();
            }
            place(lines_[i][3], std::max(width() - x - gap, gap));
        }
    }

    std::vector<std::array<QLabel*, 4>> lines_;
    std::vector<bool> shown_;
    bool calibrator_ = false;
    int slots_ = panel::kMinRowSlots;
    QFont font_;
};

}  // namespace panelui

FrontPanelWindow::FrontPanelWindow(QtFrontPanelHost& host, CInstrumentNode& node, PanelSize size)
    : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      host_(host),
      nodeId_(node.GetId()),
      createdFor_(&node),
      presenter_(node.GetName(), [this] { return QtFrontPanelHost::SessionOf(nodeId_, createdFor_); }, *this),
      size_(size) {
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName("frontPanel");
    setWindowTitle(ToQt(presenter_.Title()));
    setWindowIcon(PanelIcon());
    BuildWidgets();
    BuildMenu();
    ApplyMetrics();
    Refresh();
    if (QtNotifier* notifier = GetQtNotifier())
        registration_ = std::make_unique<NotificationRegistration>(*notifier, this);

    secondTimer_ = new QTimer(this);
    secondTimer_->setInterval(panel::kSecondTimerMs);
    connect(secondTimer_, &QTimer::timeout, this, [this] {
        presenter_.OnSecondTick();
        Refresh();
    });
    secondTimer_->start();
    rowTimer_ = new QTimer(this);
    rowTimer_->setSingleShot(true);
    connect(rowTimer_, &QTimer::timeout, this, [this] {
        presenter_.OnRowLayoutTimer();
        Refresh();
    });
}

FrontPanelWindow::~FrontPanelWindow() {
    Dispose();
}

NotifyTarget FrontPanelWindow::Target() const {
    return registration_ ? registration_->target() : 0;
}

void FrontPanelWindow::BuildWidgets() {
    auto* outer = new QVBoxLayout(this);
    outer->setSizeConstraint(QLayout::SetFixedSize);

    auto* top = new QHBoxLayout;
    auto* bezel = new QFrame(this);
    bezel->setAutoFillBackground(true);
    QPalette bezelPalette = bezel->palette();
    bezelPalette.setColor(QPalette::Window, kBezel);
    bezel->setPalette(bezelPalette);
    auto* bezelLayout = new QVBoxLayout(bezel);
    bezelLayout->setContentsMargins(8, 8, 8, 8);

    display_ = new QWidget(bezel);
    display_->setAutoFillBackground(true);
    QPalette displayPalette = display_->palette();
    displayPalette.setColor(QPalette::Window, kDisplayBackground);
    display_->setPalette(displayPalette);
    auto* displayLayout = new QVBoxLayout(display_);
    auto* header = new QHBoxLayout;
    mode_ = MakeFieldLabel(display_, "mode");
    message_ = MakeFieldLabel(display_, "message");
    message_->setWordWrap(true);
    header->addWidget(mode_);
    header->addWidget(message_, 1);
    displayLayout->addLayout(header);
    auto* rule = new QFrame(display_);
    rule->setFrameShape(QFrame::HLine);
    rule->setFrameShadow(QFrame::Plain);
    QPalette rulePalette = rule->palette();
    rulePalette.setColor(QPalette::WindowText, QColor(180, 188, 176));
    rule->setPalette(rulePalette);
    displayLayout->addWidget(rule);
    readings_ = new panelui::ReadingArea(display_);
    displayLayout->addWidget(readings_, 1);
    bezelLayout->addWidget(display_);
    top->addWidget(bezel, 1);

    auto* lightsBox = new QGridLayout;
    const QColor colours[] = {QColor(30, 200, 70), QColor(255, 180, 0), QColor(235, 40, 40)};
    for (int i = 0; i < 3; ++i) {
        lights_[static_cast<std::size_t>(i)] = new panelui::LightWidget(colours[i], this);
        lightNames_[static_cast<std::size_t>(i)] = MakeFieldLabel(this, "lightName");
        lightsBox->addWidget(lights_[static_cast<std::size_t>(i)], i, 0, Qt::AlignCenter);
        lightsBox->addWidget(lightNames_[static_cast<std::size_t>(i)], i, 1,
                             Qt::AlignLeft | Qt::AlignVCenter);
    }
    lightsBox->setRowStretch(3, 1);
    top->addLayout(lightsBox);
    outer->addLayout(top);

    auto* bottom = new QHBoxLayout;
    for (int i = 0; i < panel::kKeyCount; ++i) {
        auto* key = new QPushButton(this);
        key->setObjectName(QString("key%1").arg(i + 1));
        key->setToolTip(QString("Key %1").arg(i + 1));
        key->setAutoDefault(false);
        connect(key, &QPushButton::clicked, this, [this, i] { presenter_.PressKey(i + 1); });
        keys_[static_cast<std::size_t>(i)] = key;
        bottom->addWidget(key);
    }
    bottom->addSpacing(16);
    for (int i = 0; i < 2; ++i) {
        auto* button = new QPushButton(this);
        button->setObjectName(QString("configButton%1").arg(i + 1));
        button->setAutoDefault(false);
        connect(button, &QPushButton::clicked, this, [this, i] {
            presenter_.PressConfigButton(i);
            Refresh();
        });
        configButtons_[static_cast<std::size_t>(i)] = button;
        bottom->addWidget(button);
    }
    bottom->addStretch(1);
    outer->addLayout(bottom);

    // Keys in their order, then the configuration buttons.
    for (std::size_t i = 1; i < keys_.size(); ++i)
        setTabOrder(keys_[i - 1], keys_[i]);
    setTabOrder(keys_.back(), configButtons_[0]);
    setTabOrder(configButtons_[0], configButtons_[1]);
}

void FrontPanelWindow::BuildMenu() {
    menuBar_ = new QMenuBar(this);
    layout()->setMenuBar(menuBar_);
    instrumentMenu_ = menuBar_->addMenu(ToQt(FormatMessage(msg::kMenuInstrument)));
    largeAction_ = new QAction(ToQt(FormatMessage(msg::kMenuLargeDisplay)), this);
    largeAction_->setCheckable(true);
    largeAction_->setChecked(size_ == PanelSize::kLarge);
    connect(largeAction_, &QAction::toggled, this, [this](bool large) {
        SetPanelSize(large ? PanelSize::kLarge : PanelSize::kStandard);
        host_.SetPanelSize(size_);
    });
    disconnectAction_ = new QAction(ToQt(FormatMessage(msg::kMenuDisconnect)), this);
    connect(disconnectAction_, &QAction::triggered, this, &QWidget::close);
    RebuildInstrumentMenu();
}

void FrontPanelWindow::RebuildInstrumentMenu() {
    // An entry's own command may still be running (its window open) when the entries change.
    for (QAction* action : instrumentMenu_->actions()) {
        instrumentMenu_->removeAction(action);
        if (action != largeAction_ && action != disconnectAction_)
            action->deleteLater();
    }
    for (const PanelMenuEntry& entry : presenter_.MenuEntries()) {
        const int command = entry.command;
        instrumentMenu_->addAction(ToQt(entry.text), this, [this, command] {
            presenter_.RunCommand(command);
            Refresh();
        });
    }
    if (!presenter_.MenuEntries().empty())
        instrumentMenu_->addSeparator();
    instrumentMenu_->addAction(largeAction_);
    instrumentMenu_->addSeparator();
    instrumentMenu_->addAction(disconnectAction_);
}

void FrontPanelWindow::ApplyMetrics() {
    const Metrics m = MetricsOf(size_);
    QFont displayFont = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    displayFont.setPointSize(m.displayPoints);
    display_->setFont(displayFont);
    const QFontMetrics fm(displayFont);
    mode_->setMinimumWidth(fm.horizontalAdvance(QString(12, 'M')));
    // A status message may take two lines; the display keeps its height either way.
    message_->setMinimumWidth(fm.horizontalAdvance(QString(28, 'M')));
    message_->setMinimumHeight(2 * fm.lineSpacing());
    readings_->setFixedSize(fm.horizontalAdvance(QString(42, 'M')),
                            static_cast<int>(panel::kAnalyzerRows) * (fm.height() + 4));

    QFont buttonFont = font();
    buttonFont.setPointSize(m.buttonPoints);
    for (QPushButton* key : keys_) {
        key->setFont(buttonFont);
        key->setFixedSize(m.keyWidth, m.keyHeight);
    }
    for (QPushButton* button : configButtons_) {
        button->setFont(buttonFont);
        button->setFixedHeight(m.keyHeight);
        button->setMinimumWidth(m.keyWidth + m.keyWidth / 2);
    }
    QFont nameFont = font();
    nameFont.setPointSize(m.buttonPoints);
    for (std::size_t i = 0; i < lights_.size(); ++i) {
        lights_[i]->setFixedSize(m.lightDiameter, m.lightDiameter);
        lightNames_[i]->setFont(nameFont);
    }
    layout()->setContentsMargins(m.margin, m.margin, m.margin, m.margin);
}

void FrontPanelWindow::SetPanelSize(PanelSize size) {
    if (size == size_)
        return;
    size_ = size;
    largeAction_->setChecked(size == PanelSize::kLarge);
    ApplyMetrics();
    Refresh();
}

void FrontPanelWindow::Refresh() {
    const QFont displayFont = display_->font();
    SetField(*mode_, presenter_.ModeField(), displayFont);
    SetField(*message_, presenter_.MessageField(), displayFont);
    // A status message stands alone and may use the whole width.
    mode_->setVisible(!presenter_.IsStatusShown());
    readings_->Apply(presenter_, displayFont);
    for (std::size_t i = 0; i < lights_.size(); ++i) {
        const PanelLight& light = presenter_.Lights()[i];
        lights_[i]->SetLit(light.lit);
        lightNames_[i]->setText(ToQt(light.name));
        lightNames_[i]->setVisible(light.nameShown);
    }
    RefreshButtons();
}

void FrontPanelWindow::RefreshButtons() {
    const QFont buttonFont = keys_[0]->font();
    for (std::size_t i = 0; i < keys_.size(); ++i) {
        const KeyCaption& key = presenter_.KeyCaptions()[i];
        QString text = ToQt(key.caption.text);
        if (!key.mnemonic)
            text.replace('&', "&&");
        keys_[i]->setText(text);
        QPalette palette = keys_[i]->palette();
        palette.setColor(QPalette::ButtonText, ToColour(key.caption.colour));
        keys_[i]->setPalette(palette);
        QFont f = buttonFont;
        f.setBold(key.caption.emphasis);
        keys_[i]->setFont(f);
    }
    const std::array<const talven::ConfigButton*, 2> buttons{&presenter_.FirstButton(),
                                                             &presenter_.SecondButton()};
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        configButtons_[i]->setText(ToQt(buttons[i]->caption).replace('\r', '\n'));
        configButtons_[i]->setVisible(buttons[i]->shown);
        configButtons_[i]->setEnabled(buttons[i]->shown);
    }
}

QPushButton* FrontPanelWindow::KeyButton(int key) const {
    return key >= 1 && key <= panel::kKeyCount ? keys_[static_cast<std::size_t>(key - 1)] : nullptr;
}

QPushButton* FrontPanelWindow::ConfigButton(int index) const {
    return index == 0 || index == 1 ? configButtons_[static_cast<std::size_t>(index)] : nullptr;
}

QString FrontPanelWindow::ReadingLineText(int line) const {
    return line < 0 ? QString() : readings_->LineText(static_cast<std::size_t>(line));
}

bool FrontPanelWindow::IsLightLit(int index) const {
    return index >= 0 && index < 3 && lights_[static_cast<std::size_t>(index)]->IsLit();
}

QString FrontPanelWindow::LightName(int index) const {
    return index >= 0 && index < 3 ? lightNames_[static_cast<std::size_t>(index)]->text() : QString();
}

void FrontPanelWindow::OnNotification(int code, std::uintptr_t wParam, std::intptr_t) {
    if (disposed_)
        return;
    presenter_.OnNotification(code, wParam);
    if (code == wm::kPanelKind)
        RebuildInstrumentMenu();
    Refresh();
}

void FrontPanelWindow::StartRowLayoutTimer(int ms) {
    rowTimer_->start(ms);
}

void FrontPanelWindow::RunPanelWindow(PanelWindow window) {
    host_.RunWindow(window, this, nodeId_, createdFor_);
}

void FrontPanelWindow::closeEvent(QCloseEvent* event) {
    if (!disposed_ && !closingWithoutAsking_) {
        askingToClose_ = true;
        const CloseDecision decision = presenter_.RequestClose();
        askingToClose_ = false;
        // The idle check may have closed the panel while the question was open.
        if (!disposed_ && decision == CloseDecision::kStay) {
            event->ignore();
            return;
        }
        if (decision == CloseDecision::kCloseDisconnecting)
            host_.RememberPlacement(frameGeometry());
    }
    event->accept();
    Dispose();
}

void FrontPanelWindow::CloseWithoutAsking() {
    closingWithoutAsking_ = true;
    if (askingToClose_) {
        // This runs inside the event loop of the question whether to close: a close now would do
        // nothing. The panel goes all the same; the close being asked about accepts and deletes it
        // once its handler has returned.
        Dispose();
        hide();
        return;
    }
    close();
}

void FrontPanelWindow::Dispose() {
    if (disposed_)
        return;
    disposed_ = true;
    if (secondTimer_)
        secondTimer_->stop();
    if (rowTimer_)
        rowTimer_->stop();
    registration_.reset();
    presenter_.OnWindowDestroyed();
}

void FrontPanelWindow::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    if (modifiers == Qt::NoModifier && key >= Qt::Key_1 && key <= Qt::Key_8) {
        presenter_.PressKey(key - Qt::Key_0);
        return;
    }
    if (modifiers == Qt::NoModifier && key == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void FrontPanelWindow::contextMenuEvent(QContextMenuEvent* event) {
    instrumentMenu_->exec(event->globalPos());
}

}  // namespace talven::gui
