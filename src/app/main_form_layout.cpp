// SPDX-License-Identifier: GPL-3.0-or-later
// The controls of the main window and where they sit. Where the layout has
// fixed positions (tool bar, bottom bar, panels) widgets are placed at them;
// elsewhere layouts and splitters keep the same alignments on resizing.
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollArea>
#include <QSplitter>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>

#include "app/browser/preview_box.h"
#include "app/layout_pictures.h"
#include "app/main_form.h"
#include "app/panel.h"
#include "editor/views/edit_canvas.h"
#include "editor/views/progress_status_bar.h"
#include "editor/views/result_view.h"
#include "widgets/image_btn.h"
#include "widgets/spin_edit.h"

namespace grimora {

namespace {

constexpr int kHeaderHeight = 33;
constexpr int kBottomBarHeight = 41;
constexpr int kSplitterWidth = 3;
// Rows of the favourites list: the 33-pixel row then shows two folders.
constexpr int kFavouriteItemHeight = 13;

// Gives every row of a list the same fixed height.
class FixedRowHeight : public QStyledItemDelegate {
public:
    FixedRowHeight(int height, QObject* parent) : QStyledItemDelegate(parent), height_(height) {}
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        return {QStyledItemDelegate::sizeHint(option, index).width(), height_};
    }

private:
    int height_;
};

// Keeps `follower` under `leader`: the same left edge and width, wherever a
// splitter moves the leader. Both must have the same window.
class FollowHorizontally : public QObject {
public:
    FollowHorizontally(QWidget* leader, QWidget* follower)
        : QObject(follower), leader_(leader), follower_(follower) {
        leader->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == leader_ &&
            (event->type() == QEvent::Move || event->type() == QEvent::Resize)) {
            const QPoint left = follower_->parentWidget()->mapFrom(
                leader_->window(), leader_->mapTo(leader_->window(), QPoint(0, 0)));
            follower_->setGeometry(left.x(), follower_->y(), leader_->width(), follower_->height());
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QWidget* leader_;
    QWidget* follower_;
};

template <typename W>
W* Named(W* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

QVBoxLayout* Column(QWidget* widget) {
    auto* layout = new QVBoxLayout(widget);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    return layout;
}

QHBoxLayout* Row(QWidget* widget) {
    auto* layout = new QHBoxLayout(widget);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    return layout;
}

QLabel* Label(QWidget* parent, const QString& text, const QPoint& at, bool bold = false) {
    auto* label = new QLabel(text, parent);
    if (bold) {
        label->setFont(BoldFont(*parent));
    }
    label->move(at);
    label->adjustSize();
    return label;
}

// The 33-pixel band at the top of every page.
Panel* HeaderPanel(QWidget* page, const QString& text) {
    auto* header = new Panel(page, kHeaderColour, Bevel::Lowered, Bevel::Raised);
    header->setFixedHeight(kHeaderHeight);
    Label(header, text, {16, 10}, true);
    return header;
}

QSplitter* Splitter(QWidget* parent) {
    auto* splitter = new QSplitter(Qt::Horizontal, parent);
    splitter->setHandleWidth(kSplitterWidth);
    splitter->setChildrenCollapsible(false);
    return splitter;
}

// The scroll boxes of pages 2 and 3: the application-workspace grey around
// a view at their top-left corner.
QScrollArea* ScrollBox(QWidget* parent, const char* name) {
    auto* area = Named(new QScrollArea(parent), name);
    area->setBackgroundRole(QPalette::Dark);
    area->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    area->setWidgetResizable(false);
    return area;
}

QIcon GlyphIcon(LayoutPicture normal, LayoutPicture disabled) {
    QIcon icon(LayoutPixmap(normal));
    icon.addPixmap(LayoutPixmap(disabled), QIcon::Disabled);
    return icon;
}

}  // namespace

void TMainForm::buildLayout() {
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(QString::fromUtf8(kApplicationTitle));
    setWindowIcon(QIcon(LayoutPixmap(LayoutPicture::AppIcon)));
    // The layout's "MS Sans Serif" is not to be had here: the application
    // font at its 8 points stands in for it.
    QFont windowFont = QApplication::font();
    windowFont.setPointSize(8);
    setFont(windowFont);

    TaBImages = {LayoutPixmap(LayoutPicture::TabOpen), LayoutPixmap(LayoutPicture::TabSave),
                 LayoutPixmap(LayoutPicture::TabEdit)};

    auto* central = new QWidget(this);
    QVBoxLayout* column = Column(central);
    PageControl2 = Named(new QTabWidget(central), "PageControl2");
    PageControl2->setIconSize({16, 16});
    // Lights tabs up under the mouse where the style draws hover states.
    PageControl2->tabBar()->setAttribute(Qt::WA_Hover);
    PageControl2->addTab(buildPage1(), QIcon(TaBImages.value(0)), QStringLiteral("Open picture"));
    PageControl2->addTab(buildPage2(), QIcon(TaBImages.value(2)), QStringLiteral("Face operation"));
    PageControl2->addTab(buildPage3(), QIcon(TaBImages.value(1)), QStringLiteral("Save and print"));
    PageControl2->setCurrentIndex(0);
    column->addWidget(PageControl2, 1);
    column->addWidget(buildBottomBar());
    setCentralWidget(central);

    StatusBar1 = new ProgressStatusBar(this);
    setStatusBar(StatusBar1);

    Timer1 = Named(new QTimer(this), "Timer1");
    Timer1->setInterval(1000);

    // 638 x 512 at start, centred on the screen. Qt sizes the window without
    // the frame that the window manager adds around it.
    const QSize startSize(638, 512);
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen != nullptr) {
        setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, startSize,
                                        screen->availableGeometry()));
    } else {
        resize(startSize);
    }
}

QWidget* TMainForm::buildPage1() {
    TabSheetMotivLaden = Named(new QWidget, "TabSheetMotivLaden");
    QVBoxLayout* column = Column(TabSheetMotivLaden);
    column->addWidget(
        HeaderPanel(TabSheetMotivLaden,
                    QStringLiteral("Open picture - Choose the picture you will work with!")));

    // Favourite folders.
    auto* favourites = new QWidget(TabSheetMotivLaden);
    favourites->setFixedHeight(kHeaderHeight);
    QHBoxLayout* favouritesRow = Row(favourites);
    auto* favouritesPanel = new Panel(favourites, kHeaderColour, Bevel::Lowered, Bevel::Raised);
    favouritesPanel->setFixedWidth(121);
    Label(favouritesPanel, QStringLiteral("Favorite folders:"), {8, 10}, true);
    favouritesRow->addWidget(favouritesPanel);
    PrefListBox = Named(new QListWidget(favourites), "PrefListBox");
    PrefListBox->setItemDelegate(new FixedRowHeight(kFavouriteItemHeight, PrefListBox));
    favouritesRow->addWidget(PrefListBox, 1);
    column->addWidget(favourites);

    QSplitter* parts = Splitter(TabSheetMotivLaden);
    column->addWidget(parts, 1);

    // Left part: folder tree and file list over the filter row.
    auto* browser = new SizedBox(parts, {373, 200});
    QVBoxLayout* browserColumn = Column(browser);
    QSplitter* lists = Splitter(browser);
    // "Segoe UI" is not to be had here: the application font at 9 points
    // stands in for it.
    QFont listFont = QApplication::font();
    listFont.setPointSize(9);
    auto* treeBox = new SizedBox(lists, {185, 200});
    JamShellTree1 = Named(new QTreeView(treeBox), "JamShellTree1");
    JamShellTree1->setFont(listFont);
    JamShellTree1->setHeaderHidden(true);
    Column(treeBox)->addWidget(JamShellTree1);
    JamShellList1 = Named(new QTreeView(lists), "JamShellList1");
    JamShellList1->setFont(listFont);
    JamShellList1->setRootIsDecorated(false);
    lists->addWidget(treeBox);
    lists->addWidget(JamShellList1);
    lists->setStretchFactor(0, 0);
    lists->setStretchFactor(1, 1);
    browserColumn->addWidget(lists, 1);
    auto* filterRow = new QWidget(browser);
    filterRow->setFixedHeight(25);
    FilterComboBox1 = Named(new QComboBox(filterRow), "FilterComboBox1");
    FilterComboBox1->setGeometry(188, 2, 185, 21);
    FilterComboBox1->setToolTip(QStringLiteral("Here you can select the displayed file types"));
    new FollowHorizontally(JamShellList1, FilterComboBox1);
    browserColumn->addWidget(filterRow);

    // Right part: the preview and the picture's figures.
    auto* preview = new QWidget(parts);
    QVBoxLayout* previewColumn = Column(preview);
    auto* previewLabel = new QLabel(QStringLiteral("Preview:"), preview);
    previewLabel->setFixedHeight(17);
    previewLabel->setIndent(4);
    previewColumn->addWidget(previewLabel);
    auto* previewBox = new QFrame(preview);
    previewBox->setFrameShape(QFrame::Box);
    previewBox->setLineWidth(1);
    previewBox->setAutoFillBackground(true);
    previewBox->setBackgroundRole(QPalette::Dark);
    QVBoxLayout* previewBoxColumn = Column(previewBox);
    previewBoxColumn->setContentsMargins(1, 1, 1, 1);
    DibPrevPaint = new PreviewBox(previewBox);
    DibPrevPaint->setToolTip(QStringLiteral("Shows a preview of the loaded picture"));
    previewBoxColumn->addWidget(DibPrevPaint);
    previewColumn->addWidget(previewBox, 1);
    auto* figures = new QWidget(preview);
    figures->setFixedHeight(79);
    struct Figure {
        QLineEdit** box;
        const char* name;
        const char* label;
        int top;
        const char* text;
        const char* hint;
    };
    const Figure rows[] = {
        {&Breit, "Breit", "Width:", 6, "320 pixels",
         "Shows the width of the selected picture in pixels"},
        {&Hoch, "Hoch", "Height:", 32, "200 pixels",
         "Shows the height of the selected picture in pixels"},
        {&Tief, "Tief", "Colours:", 56, "256",
         "Shows the number of colours of the selected picture"},
    };
    for (const Figure& row : rows) {
        Label(figures, QString::fromUtf8(row.label), {9, row.top + 4});
        auto* box = Named(new QLineEdit(QString::fromUtf8(row.text), figures), row.name);
        box->setGeometry(59, row.top, 86, 21);
        box->setReadOnly(true);
        box->setFocusPolicy(Qt::NoFocus);
        box->setToolTip(QString::fromUtf8(row.hint));
        *row.box = box;
    }
    previewColumn->addWidget(figures);

    parts->addWidget(browser);
    parts->addWidget(preview);
    parts->setStretchFactor(0, 0);
    parts->setStretchFactor(1, 1);
    return TabSheetMotivLaden;
}

QWidget* TMainForm::buildPage2() {
    TabSheet2 = Named(new QWidget, "TabSheet2");
    QVBoxLayout* column = Column(TabSheet2);
    Panel* header = HeaderPanel(
        TabSheet2, QStringLiteral("Distort - Click on the picture to begin with the operation"));
    column->addWidget(header);
    // Undo and redo at the band's right end, where the layout has room to
    // spare at every width; its text stays where it is placed.
    QHBoxLayout* actions = Row(header);
    actions->setContentsMargins(0, 0, 8, 0);
    actions->setSpacing(2);
    actions->addStretch(1);
    struct Action {
        QToolButton** button;
        const char* name;
        const char* caption;
        const char* hint;
        const char* themeIcon;
        QStyle::StandardPixmap fallback;
    };
    const Action historyActions[] = {
        {&UndoBtn, "UndoBtn", "Undo", "Take the last stroke or load back (Ctrl+Z)", "edit-undo",
         QStyle::SP_ArrowBack},
        {&RedoBtn, "RedoBtn", "Redo",
         "Do the stroke or load taken back again (Ctrl+Shift+Z, Ctrl+Y)", "edit-redo",
         QStyle::SP_ArrowForward},
    };
    for (const Action& action : historyActions) {
        auto* button = Named(new QToolButton(header), action.name);
        button->setText(QString::fromUtf8(action.caption));
        button->setToolTip(QString::fromUtf8(action.hint));
        button->setIcon(QIcon::fromTheme(QString::fromLatin1(action.themeIcon),
                                         style()->standardIcon(action.fallback)));
        button->setIconSize({16, 16});
        button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        button->setAutoRaise(true);
        button->setFocusPolicy(Qt::NoFocus);
        actions->addWidget(button);
        *action.button = button;
    }
    auto* body = new QWidget(TabSheet2);
    QHBoxLayout* row = Row(body);
    column->addWidget(body, 1);

    SpeedBar1 =
        Named(new Panel(body, QColor(192, 192, 192), Bevel::Lowered, Bevel::Raised), "SpeedBar1");
    SpeedBar1->setFixedWidth(84);
    SpeedBar1->setWallpaper(LayoutPixmap(LayoutPicture::ToolbarWallpaper));
    QFont barFont(QStringLiteral("Arial"));
    barFont.setPixelSize(11);
    barFont.setBold(true);
    SpeedBar1->setFont(barFont);
    row->addWidget(SpeedBar1);

    BrushGroup = new QButtonGroup(this);
    BrushGroup->setExclusive(true);
    struct Brush {
        QToolButton** button;
        const char* name;
        const char* caption;
        int top;
        LayoutPicture glyph;
        LayoutPicture disabledGlyph;
    };
    const Brush brushes[] = {
        {&WachsenBtn, "WachsenBtn", "Growing", 12, LayoutPicture::GrowingGlyph,
         LayoutPicture::GrowingGlyphDisabled},
        {&SchrumpfenBtn, "SchrumpfenBtn", "Shrinking", 48, LayoutPicture::ShrinkingGlyph,
         LayoutPicture::ShrinkingGlyphDisabled},
        {&SchmierenBtn, "SchmierenBtn", "Smear", 84, LayoutPicture::SmearGlyph,
         LayoutPicture::SmearGlyphDisabled},
        {&ZerrenBtn, "ZerrenBtn", "Lugging", 120, LayoutPicture::LuggingGlyph,
         LayoutPicture::LuggingGlyphDisabled},
        {&RadiererBtn, "RadiererBtn", "Rubber", 156, LayoutPicture::RubberGlyph,
         LayoutPicture::RubberGlyphDisabled},
    };
    // A brush button of the group, on a column of the tool bar. The brushes
    // take the keys 1, 2, 3 and on in the order they are made here: the
    // first column from the top, then the next.
    const auto brushButton = [this](QWidget* bar, const Brush& brush, const char* hint) {
        auto* button = Named(new QToolButton(bar), brush.name);
        BrushButtons.append(button);
        button->setText(QString::fromUtf8(brush.caption));
        button->setToolTip(
            QStringLiteral("%1 (%2)").arg(QString::fromUtf8(hint)).arg(BrushButtons.size()));
        button->setIcon(GlyphIcon(brush.glyph, brush.disabledGlyph));
        button->setIconSize({16, 16});
        button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        button->setCheckable(true);
        button->setAutoRaise(true);
        button->setGeometry(3, brush.top, 78, 36);
        BrushGroup->addButton(button);
        *brush.button = button;
    };
    for (const Brush& brush : brushes) {
        brushButton(SpeedBar1, brush, brush.caption);
    }
    WachsenBtn->setChecked(true);

    NormalizeCheck = Named(new QCheckBox(QStringLiteral("Normalize"), SpeedBar1), "NormalizeCheck");
    NormalizeCheck->setGeometry(8, 192, 74, 17);
    NormalizeCheck->setChecked(true);
    struct Axis {
        QRadioButton** button;
        const char* name;
        const char* caption;
        QRect at;
        const char* hint;
    };
    const Axis axes[] = {
        {&xyCheck,
         "xyCheck",
         "X && Y",
         {8, 208, 74, 17},
         "Use effect in horizontal and vertical direction"},
        {&xCheck, "xCheck", "X", {8, 224, 32, 17}, "Use effect in horizontal direction"},
        {&ycheck, "ycheck", "Y", {40, 224, 42, 17}, "Use effect in vertical direction"},
    };
    for (const Axis& axis : axes) {
        auto* button =
            Named(new QRadioButton(QString::fromUtf8(axis.caption), SpeedBar1), axis.name);
        button->setGeometry(axis.at);
        button->setToolTip(QString::fromUtf8(axis.hint));
        *axis.button = button;
    }
    xyCheck->setChecked(true);

    struct Field {
        SpinEdit** edit;
        const char* name;
        const char* label;
        int top;
        double minimum, maximum, increment;
        int decimals;
        double start;
        const char* hint;
        const char* keys;  // on the editing view
    };
    const Field fields[] = {
        {&StarkED, "StarkED", "Strength:", 240, 0.1, 1.0, 0.1, 1, 0.4, "Strength of effect",
         "Shift+[ and Shift+]"},
        {&RadiusED, "RadiusED", "Radius:", 280, 5, 300, 5, 0, 50,
         "The radius the effect takes place in", "[ and ]"},
        {&ZoomEd, "ZoomEd", "Zoom:", 320, 0.1, 10, 0.1, 1, 1.0,
         "Shows the picture larger or smaller",
         "Ctrl+wheel; Ctrl+0 fits the picture, Ctrl+1 shows it at 1.0; Space and drag move it"},
    };
    for (const Field& field : fields) {
        Label(SpeedBar1, QString::fromUtf8(field.label), {8, field.top});
        auto* edit = Named(
            new SpinEdit(field.minimum, field.maximum, field.increment, field.decimals, SpeedBar1),
            field.name);
        edit->setValue(field.start);
        edit->setGeometry(8, field.top + 16, 73, 22);
        edit->setToolTip(QStringLiteral("%1 (%2)").arg(QString::fromUtf8(field.hint),
                                                       QString::fromUtf8(field.keys)));
        *field.edit = edit;
    }
    // Below the layout's own controls.
    PressureCheck = Named(new QCheckBox(QStringLiteral("Pressure"), SpeedBar1), "PressureCheck");
    PressureCheck->setGeometry(8, 362, 74, 17);
    PressureCheck->setToolTip(QStringLiteral("A pen's pressure sets the strength of each dab"));

    // A second column of the tool bar, in its look, for what came after its
    // first column was full: the mask brushes, the mask's commands and what
    // the view shows.
    SpeedBar2 =
        Named(new Panel(body, QColor(192, 192, 192), Bevel::Lowered, Bevel::Raised), "SpeedBar2");
    SpeedBar2->setFixedWidth(84);
    SpeedBar2->setWallpaper(LayoutPixmap(LayoutPicture::ToolbarWallpaper));
    SpeedBar2->setFont(barFont);
    row->addWidget(SpeedBar2);
    const Brush maskBrushes[] = {
        {&FreezeBtn, "FreezeBtn", "Freeze", 12, LayoutPicture::FreezeGlyph,
         LayoutPicture::FreezeGlyphDisabled},
        {&ThawBtn, "ThawBtn", "Thaw", 48, LayoutPicture::ThawGlyph,
         LayoutPicture::ThawGlyphDisabled},
    };
    const char* maskHints[] = {"Freeze: protect what you paint from every brush",
                               "Thaw: let the brushes move what you paint again"};
    for (std::size_t k = 0; k < std::size(maskBrushes); ++k) {
        brushButton(SpeedBar2, maskBrushes[k], maskHints[k]);
    }
    struct Command {
        QToolButton** button;
        const char* name;
        const char* caption;
        int top;
        const char* hint;
    };
    const Command commands[] = {
        {&ClearMaskBtn, "ClearMaskBtn", "Clear mask", 110, "Thaw the whole picture"},
        {&InvertMaskBtn, "InvertMaskBtn", "Invert mask", 132,
         "Freeze what is free and thaw what is frozen"},
    };
    for (const Command& command : commands) {
        auto* button = Named(new QToolButton(SpeedBar2), command.name);
        button->setText(QString::fromUtf8(command.caption));
        button->setToolTip(QString::fromUtf8(command.hint));
        button->setAutoRaise(true);
        button->setGeometry(3, command.top, 78, 20);
        *command.button = button;
    }
    struct Switch {
        QCheckBox** box;
        const char* name;
        const char* caption;
        int top;
        const char* hint;
    };
    const Switch switches[] = {
        {&ShowMaskCheck, "ShowMaskCheck", "Show mask", 90,
         "Show the frozen parts in colour (always while Freeze or Thaw is chosen)"},
        {&CompareCheck, "CompareCheck", "Compare", 164,
         "The source left of a divider you drag, the result right of it; hold \\ to see the "
         "source alone"},
        {&ShowGridCheck, "ShowGridCheck", "Show grid", 182,
         "The lines of a grid on the source, bent as the warp bends them"},
        {&ShowFoldsCheck, "ShowFoldsCheck", "Show folds", 200,
         "Mark where the warp turns the picture over itself"},
        {&EditSmoothCheck, "EditSmoothCheck", "Smooth", 218,
         "Show, save and print the result sampled between pixels, without steps"},
    };
    for (const Switch& option : switches) {
        auto* box = Named(new QCheckBox(QString::fromUtf8(option.caption), SpeedBar2), option.name);
        // Regular weight: the captions are longer than the first column's.
        QFont regular = barFont;
        regular.setBold(false);
        box->setFont(regular);
        box->setGeometry(5, option.top, 78, 17);
        box->setToolTip(QString::fromUtf8(option.hint));
        *option.box = box;
    }

    ScrollBox1 = ScrollBox(body, "ScrollBox1");
    PaintBox1 = Named(new EditCanvas, "PaintBox1");
    ScrollBox1->setWidget(PaintBox1);
    PaintBox1->setScrollBox(ScrollBox1);
    row->addWidget(ScrollBox1, 1);
    return TabSheet2;
}

QWidget* TMainForm::buildPage3() {
    TabSheet4 = Named(new QWidget, "TabSheet4");
    QVBoxLayout* column = Column(TabSheet4);
    column->addWidget(
        HeaderPanel(TabSheet4, QStringLiteral("Ready! - View, save or print picture")));
    auto* body = new QWidget(TabSheet4);
    QHBoxLayout* row = Row(body);
    column->addWidget(body, 1);

    auto* side = new Panel(body, kSavePanelColour, Bevel::Lowered, Bevel::Raised);
    side->setFixedWidth(209);
    auto* frame = new Panel(side, kSavePanelColour, Bevel::Lowered, Bevel::None);
    frame->setGeometry(7, 7, 195, 284);
    auto* printer = new QLabel(frame);
    printer->setPixmap(LayoutPixmap(LayoutPicture::Printer));
    printer->setGeometry(1, 1, 194, 281);
    auto* title = new Panel(frame, kHeaderColour, Bevel::Lowered, Bevel::Raised);
    title->setGeometry(8, 8, 177, 73);
    auto* titleLabel = new QLabel(QStringLiteral("Save and print"), title);
    QFont titleFont(QStringLiteral("Arial Black"));
    titleFont.setPixelSize(19);
    titleFont.setWeight(QFont::Black);
    titleLabel->setFont(titleFont);
    titleLabel->setWordWrap(true);
    QPalette titlePalette = titleLabel->palette();
    titlePalette.setColor(QPalette::WindowText, kMaroon);
    titleLabel->setPalette(titlePalette);
    titleLabel->setGeometry(8, 4, 161, 65);
    // What leaves the program besides the picture, under the decoration:
    // the row of buttons right of it has no room at the smallest window.
    SmoothCheck = Named(new QCheckBox(QStringLiteral("Smooth"), side), "SmoothCheck");
    SmoothCheck->setToolTip(
        QStringLiteral("Show, save and print the result sampled between pixels, without steps"));
    SmoothCheck->setGeometry(12, 298, 190, 17);
    SaveAnimBtn = Named(new QPushButton(QStringLiteral("Save animation..."), side), "SaveAnimBtn");
    SaveAnimBtn->setToolTip(QStringLiteral("Save the distortion as an animated GIF or WebP"));
    SaveAnimBtn->setGeometry(7, 320, 195, 25);
    row->addWidget(side);

    auto* results = new QWidget(body);
    QVBoxLayout* resultColumn = Column(results);
    auto* buttons = new QWidget(results);
    buttons->setFixedHeight(49);
    SaveAsBtn = Named(new QPushButton(QStringLiteral("Save picture as..."), buttons), "SaveAsBtn");
    SaveAsBtn->setIcon(QIcon(LayoutPixmap(LayoutPicture::SaveGlyph)));
    SaveAsBtn->setGeometry(8, 8, 145, 25);
    SaveAsBtn->setToolTip(QStringLiteral("Save picture as... (Ctrl+S)"));
    PrintBtn = Named(new QPushButton(QStringLiteral("Print picture..."), buttons), "PrintBtn");
    PrintBtn->setIcon(QIcon(LayoutPixmap(LayoutPicture::PrintGlyph)));
    PrintBtn->setGeometry(160, 8, 145, 25);
    PrintBtn->setToolTip(QStringLiteral("Print picture... (Ctrl+P)"));
    resultColumn->addWidget(buttons);
    ErgScrollBox = ScrollBox(results, "ErgScrollBox");
    ErgPaintBox = Named(new ResultView, "ErgPaintBox");
    ErgScrollBox->setWidget(ErgPaintBox);
    ErgPaintBox->setScrollBox(ErgScrollBox);
    resultColumn->addWidget(ErgScrollBox, 1);
    row->addWidget(results, 1);
    return TabSheet4;
}

QWidget* TMainForm::buildBottomBar() {
    auto* bar = new QWidget;
    bar->setFixedHeight(kBottomBarHeight);
    QHBoxLayout* row = Row(bar);

    auto* left = new QWidget(bar);
    wwwBtn = Named(new QPushButton(QString::fromUtf8(kMakerWebAddress), left), "wwwBtn");
    wwwBtn->setFlat(true);
    wwwBtn->setIcon(QIcon(LayoutPixmap(LayoutPicture::WwwGlyph)));
    wwwBtn->setIconSize({24, 25});
    wwwBtn->setGeometry(5, 5, 137, 33);
    wwwBtn->setCursor(Qt::PointingHandCursor);
    row->addWidget(left, 1);

    auto* right = new QWidget(bar);
    right->setFixedWidth(206);
    struct ImageButton {
        TImageBtn** button;
        const char* name;
        int left;
        LayoutPicture normal;
        LayoutPicture pressed;
        const char* hint;
    };
    const ImageButton imageButtons[] = {
        {&ueberbtn, "ueberbtn", 0, LayoutPicture::AboutNormal, LayoutPicture::AboutPressed,
         "Information about the program"},
        {&endebtn, "endebtn", 104, LayoutPicture::QuitNormal, LayoutPicture::QuitPressed,
         "Hereby you leave the program"},
    };
    for (const ImageButton& entry : imageButtons) {
        auto* button = Named(new TImageBtn(right), entry.name);
        button->setPicture(LayoutPixmap(entry.normal));
        button->setPicture2(LayoutPixmap(entry.pressed));
        button->move(entry.left, 8);
        button->setCursor(Qt::PointingHandCursor);
        button->setToolTip(QString::fromUtf8(entry.hint));
        *entry.button = button;
    }
    row->addWidget(right);
    return bar;
}

}  // namespace grimora
