#include "shell/MdiFrmMain.h"

#include "editor/EditorLayout.h"
#include "editor/FrmEq.h"
#include "core/Tables.h"

#include <QCloseEvent>
#include <QDateTime>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QScrollArea>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QToolButton>

namespace ksr {

namespace {

using layout::Px;

constexpr int ButtonSide = 615;
constexpr int NoticeMilliseconds = 10000;
constexpr int ButtonTop = 60;
constexpr int CompareLeft = 6600;
// Room for "A/B: current".
constexpr int CompareWidth = 1320;
constexpr int JournalLeft = CompareLeft + CompareWidth + 105;
constexpr int LibraryButtonWidth = 960;
constexpr int BackupLeft = JournalLeft + ButtonSide + 105;
constexpr int RestoreLeft = BackupLeft + LibraryButtonWidth + 105;
constexpr int ViewLeft = RestoreLeft + LibraryButtonWidth + 105;
constexpr int ViewWidth = 720;
constexpr int RemoteLeft = ViewLeft + ViewWidth + 105;
constexpr int RemoteWidth = 1320;
constexpr int ToolbarHeight = ButtonTop + ButtonSide + 60;

struct CommandButton {
    int index;
    int left;
    const char *toolTip;
    QStyle::StandardPixmap icon;
};

constexpr std::array<CommandButton, 6> CommandButtons = {{
    {0, 120, "Load Preset from PC", QStyle::SP_DialogOpenButton},
    {1, 840, "Save Preset to PC", QStyle::SP_DialogSaveButton},
    {2, 1560, "Store Preset to device", QStyle::SP_ArrowDown},
    {3, 2280, "Read Preset from device", QStyle::SP_ArrowUp},
    {7, 3000, "Copy Left to Right", QStyle::SP_ArrowRight},
    {8, 3720, "Copy Right to Left", QStyle::SP_ArrowLeft},
}};

constexpr const char *HoldToolTip = "Hold for compare: keep the current settings to compare with";

struct TextButton {
    QToolButton *MdiFrmMain::*member;
    const char *objectName;
    int left;
    int width;
    const char *text;
    const char *accessibleName;
    const char *toolTip;
    bool enabled; // at first, before there is anything to do
};

// Text buttons: no standard icon tells these apart from the copy arrows or
// from each other. The history's, then (right of the journal's) the
// librarian's, wider for their text, and the View menu's.
constexpr std::array<TextButton, 8> TextButtons = {{
    {&MdiFrmMain::UndoButton, "UndoButton", 4440, ButtonSide, "Undo", "Undo", "Undo (Ctrl+Z)", false},
    {&MdiFrmMain::RedoButton, "RedoButton", 5160, ButtonSide, "Redo", "Redo", "Redo (Ctrl+Shift+Z, Ctrl+Y)", false},
    {&MdiFrmMain::HoldButton, "HoldButton", 5880, ButtonSide, "Hold", "Hold for compare", HoldToolTip, false},
    {&MdiFrmMain::CompareButton, "CompareButton", CompareLeft, CompareWidth, "A/B", "Compare",
     "Compare: switch between the held settings and the current edits", false},
    {&MdiFrmMain::BackupButton, "BackupButton", BackupLeft, LibraryButtonWidth, "Backup...", "Back up device",
     "Back up device: every user preset and the current settings into a folder", false},
    {&MdiFrmMain::RestoreButton, "RestoreButton", RestoreLeft, LibraryButtonWidth, "Restore...", "Restore device",
     "Restore device: user presets from a backup folder, after a safety backup", false},
    {&MdiFrmMain::ViewButton, "ViewButton", ViewLeft, ViewWidth, "View", "View",
     "View: fit the editor to the window, zoom, dark colours; save the line trace", true},
    {&MdiFrmMain::RemoteButton, "RemoteButton", RemoteLeft, RemoteWidth, "Stage remote", "Stage remote",
     "Stage remote: a phone or tablet on the show's network as a second editor", true},
}};

// The editor's window inside the area: a title bar without buttons (Qt
// gives a window with minimize or maximize buttons a system menu, and the
// styles draw a close button with that menu) that refuses every close.
class EditorSubWindow : public QMdiSubWindow {
public:
    EditorSubWindow()
        : QMdiSubWindow(nullptr, Qt::SubWindow | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
    {
        setObjectName(QStringLiteral("FrmEqWindow"));
    }

protected:
    void closeEvent(QCloseEvent *event) override { event->ignore(); }
};

// The editor at its design size, scrolled where the window is smaller.
class EditorScrollArea : public QScrollArea {
public:
    explicit EditorScrollArea(FrmEq *editor)
    {
        setObjectName(QStringLiteral("FrmEqScroll"));
        setFrameShape(QFrame::NoFrame);
        setWidget(editor);
    }
    // The whole editor (QScrollArea's own hint stops at a few dozen lines of text).
    QSize sizeHint() const override { return widget()->size(); }
};

} // namespace

MdiFrmMain::MdiFrmMain(QWidget *parent)
    : QMainWindow(parent)
{
    setObjectName(QStringLiteral("MDIFrmMain"));
    setWindowTitle(QString::fromLatin1(ApplicationTitle));

    Toolbar1 = new QWidget(this);
    Toolbar1->setObjectName(QStringLiteral("Toolbar1"));
    Toolbar1->setFixedHeight(Px(ToolbarHeight));
    for (const CommandButton &spec : CommandButtons) {
        auto *button = new QToolButton(Toolbar1);
        button->setObjectName(layout::ArrayName("Command1", spec.index));
        button->setToolTip(QString::fromLatin1(spec.toolTip));
        button->setIcon(style()->standardIcon(spec.icon, nullptr, button));
        button->setIconSize(QSize(Px(ButtonSide) - 12, Px(ButtonSide) - 12));
        button->setToolButtonStyle(Qt::ToolButtonIconOnly);
        button->setGeometry(Px(spec.left), Px(ButtonTop), Px(ButtonSide), Px(ButtonSide));
        Command1[static_cast<std::size_t>(spec.index)] = button;
    }
    for (const TextButton &spec : TextButtons) {
        auto *button = new QToolButton(Toolbar1);
        button->setObjectName(QString::fromLatin1(spec.objectName));
        button->setText(QString::fromLatin1(spec.text));
        button->setAccessibleName(QString::fromLatin1(spec.accessibleName));
        button->setToolTip(QString::fromLatin1(spec.toolTip));
        button->setToolButtonStyle(Qt::ToolButtonTextOnly);
        button->setGeometry(Px(spec.left), Px(ButtonTop), Px(spec.width), Px(ButtonSide));
        button->setEnabled(spec.enabled);
        this->*spec.member = button;
    }
    HoldButton->setCheckable(true);
    CompareButton->setCheckable(true);
    ViewButton->setPopupMode(QToolButton::InstantPopup);
    JournalButton = new QToolButton(Toolbar1);
    JournalButton->setObjectName(QStringLiteral("JournalButton"));
    JournalButton->setAccessibleName(QStringLiteral("Ring-out journal"));
    JournalButton->setToolTip(QStringLiteral("Ring-out journal: the notches the device placed, by day"));
    JournalButton->setIcon(style()->standardIcon(QStyle::SP_FileDialogDetailedView, nullptr, JournalButton));
    JournalButton->setIconSize(QSize(Px(ButtonSide) - 12, Px(ButtonSide) - 12));
    JournalButton->setGeometry(Px(JournalLeft), Px(ButtonTop), Px(ButtonSide), Px(ButtonSide));
    setMenuWidget(Toolbar1);

    MdiArea = new QMdiArea(this);
    MdiArea->setObjectName(QStringLiteral("MdiArea"));
    setCentralWidget(MdiArea);
    MdiArea->viewport()->installEventFilter(this);

    PortStatus = new QLabel(this);
    PortStatus->setObjectName(QStringLiteral("PortStatus"));
    // Bold by font, not by style sheet: a style sheet would keep the colours
    // of the look the label was made in.
    QFont bold = font();
    bold.setBold(true);
    SearchStatus = new QLabel(QStringLiteral("Feedback search running"), this);
    SearchStatus->setObjectName(QStringLiteral("SearchStatus"));
    SearchStatus->setFont(bold);
    SearchStatus->hide();
    CompareStatus = new QLabel(QStringLiteral("Comparing: held settings"), this);
    CompareStatus->setObjectName(QStringLiteral("CompareStatus"));
    CompareStatus->setFont(bold);
    CompareStatus->hide();
    HeldStatus = new QLabel(this);
    HeldStatus->setObjectName(QStringLiteral("HeldStatus"));
    HeldStatus->hide();
    LostStatus = new QLabel(this);
    LostStatus->setObjectName(QStringLiteral("LostStatus"));
    LostStatus->setFont(bold);
    LostStatus->hide();
    LookElsewhereButton = new QToolButton(this);
    LookElsewhereButton->setObjectName(QStringLiteral("LookElsewhereButton"));
    LookElsewhereButton->setText(QStringLiteral("Look on other ports"));
    LookElsewhereButton->setToolTip(QStringLiteral("Look for the device on ports 1 to 35, as at start"));
    LookElsewhereButton->hide();
    statusBar()->addPermanentWidget(LostStatus);
    statusBar()->addPermanentWidget(LookElsewhereButton);
    statusBar()->addPermanentWidget(HeldStatus);
    statusBar()->addPermanentWidget(CompareStatus);
    statusBar()->addPermanentWidget(SearchStatus);
    statusBar()->addPermanentWidget(PortStatus);

    Timer3 = new QTimer(this);
    Timer3->setObjectName(QStringLiteral("Timer3"));
    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
}

FrmEq *MdiFrmMain::AddEditor(FrmEq *editor)
{
    auto *window = new EditorSubWindow;
    window->setWidget(new EditorScrollArea(editor));
    window->setWindowTitle(editor->windowTitle());
    MdiArea->addSubWindow(window);
    EditorWindow = window;
    FitEditorWindow();
    return editor;
}

void MdiFrmMain::SetSearchRunning(bool running)
{
    SearchStatus->setVisible(running);
}

void MdiFrmMain::SetCompareState(const QDateTime &heldAt, bool comparing)
{
    const bool held = heldAt.isValid();
    const QString time = heldAt.toString(QStringLiteral("HH:mm:ss"));
    HoldButton->setChecked(held);
    HoldButton->setToolTip(held ? QStringLiteral("Held %1: the settings A/B compares with. Click to hold the "
                                                 "current settings instead")
                                      .arg(time)
                                : QString::fromLatin1(HoldToolTip));
    HeldStatus->setText(QStringLiteral("Held %1").arg(time));
    HeldStatus->setVisible(held);
    CompareButton->setText(!held ? QStringLiteral("A/B")
                                 : comparing ? QStringLiteral("A/B: held") : QStringLiteral("A/B: current"));
    CompareStatus->setVisible(comparing);
    CompareButton->setChecked(comparing);
}

void MdiFrmMain::SetDeviceLost(const QString &text)
{
    LostStatus->setText(text);
    LostStatus->setVisible(!text.isEmpty());
    LookElsewhereButton->setVisible(!text.isEmpty());
    PortStatus->setVisible(text.isEmpty());
}

void MdiFrmMain::ShowNotice(const QString &text)
{
    statusBar()->showMessage(text, NoticeMilliseconds);
}

void MdiFrmMain::FitEditorWindow()
{
    if (!EditorWindow)
        return;
    // The whole editor where the area has room, else all the area holds: the
    // scroll bars reach the rest.
    EditorWindow->resize(EditorWindow->sizeHint().boundedTo(MdiArea->viewport()->size()));
}

QSize MdiFrmMain::EditorRoom() const
{
    const QSize area = MdiArea->viewport()->size();
    if (!EditorWindow || !EditorWindow->widget())
        return area;
    return area - (EditorWindow->size() - EditorWindow->widget()->size());
}

bool MdiFrmMain::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == MdiArea->viewport() && event->type() == QEvent::Resize) {
        if (areaResized)
            areaResized();
        FitEditorWindow();
    }
    return QMainWindow::eventFilter(watched, event);
}

void MdiFrmMain::closeEvent(QCloseEvent *event)
{
    if (!closeRequested || closeRequested())
        event->accept();
    else
        event->ignore();
}

} // namespace ksr
