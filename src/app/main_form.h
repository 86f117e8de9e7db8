// SPDX-License-Identifier: GPL-3.0-or-later
// The main window: owns the editing session and the stroke state, lays out
// the three pages and carries the handlers of its controls under their
// event names. Controls are members named as their objectName.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <QList>
#include <QMainWindow>
#include <QPixmap>
#include <QPointF>
#include <QString>
#include <QStringList>

#include "app/browser/favourite_folders.h"
#include "app/browser/file_masks.h"
#include "editor/animation_export.h"
#include "editor/brush_settings.h"
#include "editor/overlays.h"
#include "editor/recovery.h"
#include "editor/stroke_controller.h"
#include "editor/warp_session.h"
#include "picture/owned_dib.h"
#include "picture/random_source.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QFileDialog;
class QFileSystemModel;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QListWidget;
class QPainter;
class QPrinter;
class QPushButton;
class QRadioButton;
class QScrollArea;
class QTabWidget;
class QTimer;
class QToolButton;
class QTreeView;
class QWheelEvent;

namespace grimora {

class EditCanvas;
class ListColumnFitter;
class MaskFilterModel;
class Panel;
class PreviewBox;
class PrinterHolder;
class ProgressStatusBar;
class ResultView;
class SpinEdit;
class TImageBtn;

inline constexpr const char* kApplicationTitle = "Grimora 2.0";
// The maker's web site: the caption of wwwBtn and what it opens.
inline constexpr const char* kMakerWebAddress = "grimora.example";
inline constexpr const char* kQuitQuestion = "Hereby you quit Grimora 2.0!";
inline constexpr const char* kQuitCaption = "Quit program";
inline constexpr const char* kOldestStepsDropped = "Oldest steps dropped: undo memory full";
// Pixels the editing and result views scroll per wheel step of 120 units.
inline constexpr int kWheelScrollStep = 20;

class TMainForm : public QMainWindow, public EditorHost {
    Q_OBJECT

public:
    explicit TMainForm(QWidget* parent = nullptr);
    ~TMainForm() override;

    // Whether the window may close: asks the user.
    bool FormCloseQuery();
    void EndeBtnClick();
    void ueberbtnClick();
    // The result page: the save dialog, then the picture written; the print
    // dialog, then the picture printed.
    void SaveAsBtnClick();
    void PrintBtnClick();
    // The result page's warp buttons: a file dialog, then the warp written
    // or read, or the map written.
    void SaveWarpBtnClick();
    void LoadWarpBtnClick();
    void ExportMapBtnClick();
    // Writes the session's warp to `fileName`; a saved warp needs no
    // recovery copy. On failure a message box says why. True when written.
    bool saveWarp(const QString& fileName);
    // Puts the warp file on the picture as one step, asking first when it
    // was made for another picture (name or size). A bad file, a No or
    // missing memory change nothing; a message box names a fault. True
    // when the field took the warp (a warp equal to the field is no step).
    bool loadWarp(const QString& fileName);
    // Writes the pixel map (.tif, .tiff) or STMap (.exr) `fileName` names.
    bool exportMap(const QString& fileName);
    // At start: offers back what a Grimora that ended without saving left,
    // or offers to keep it in a folder when its picture has gone or changed.
    void offerRecovery();
    // A few seconds after a step: the recovery copy is written in the
    // background (later, while a stroke is held).
    void RecoveryTimerTimer();
    RecoveryKeeper& recovery() { return *recovery_; }
    // Asks for the folder in which a left warp is kept; empty when the user
    // cancels. A dialog, unless a test sets another.
    using FolderChooser = std::function<QString()>;
    void setFolderChooser(FolderChooser chooser) { chooseFolder_ = std::move(chooser); }

    // Writes the result picture to `fileName`, whose extension names the
    // format, on a thread of its own with the progress in the status bar; a
    // write-protected file only when the user said to replace it. On failure
    // a message box names the file and the reason, and nothing else
    // changes. True when written.
    bool saveResult(const QString& fileName, bool replaceWriteProtected = false);
    // "Smooth", on the result page or the editing page: the views, the saved
    // and the printed picture show the smooth rendering while it is checked;
    // both boxes show the same state.
    void SmoothCheckClick();
    void EditSmoothCheckClick();
    // "Save animation...": the options, a file name, then the animation
    // written with its progress in the status bar.
    void SaveAnimBtnClick();
    // Writes the animation to `fileName` (.gif or .webp) with the smooth
    // switch as it stands. On failure a message box says why and an existing
    // file stays. True when written.
    bool saveAnimation(const QString& fileName, AnimationSettings settings);
    // The printer that the print dialog sets up and prints on, kept for the
    // next printing; made at its first use.
    QPrinter& printer();
    void wwwBtnClick();
    void PageControl2Change();

    void PaintBox1MouseDown(int32_t x, int32_t y);
    void PaintBox1MouseMove(int32_t x, int32_t y);
    void PaintBox1MouseUp(int32_t x, int32_t y);
    void Timer1Timer();
    void PaintBox1Paint();
    void ZoomEdChange();
    // Enter in the zoom field, or the focus leaving it for another control.
    void ZoomEdCommit();
    // Undo and redo of strokes and loads (Ctrl+Z; Ctrl+Shift+Z and Ctrl+Y).
    void UndoBtnClick();
    void RedoBtnClick();
    void ClearMaskBtnClick();
    void InvertMaskBtnClick();
    // What the views show changed: a switch of the second column, the
    // brush, or the backslash key held or let go.
    void viewOptionsChanged();
    // Whether the source is shown in place of the result (backslash held).
    bool showingSource() const { return sourceHeld_; }
    const FoldMap& folds() const { return folds_; }
    // One wheel step of 120 units each.
    void FormMouseWheelDown();
    void FormMouseWheelUp();
    // The zoom at which the whole picture fits the editing view's visible
    // area (Ctrl+0), and 1.0 (Ctrl+1), set in the zoom field.
    void ZoomToFit();
    void ZoomToOne();
    // The zoom field `steps` steps up (down when negative), keeping the
    // picture point under `viewportPoint` (logical, in ScrollBox1's viewport)
    // where it is: Ctrl and the wheel on the editing view.
    void zoomAbout(int steps, QPointF viewportPoint);

    // A loaded picture becomes the source picture: new identity field,
    // rendered, both views sized to it, the boxes describing it. The
    // picture it replaces can be brought back by an undo. `origin` names
    // where it came from. False, and nothing changes, when it cannot be
    // edited (a message says why).
    bool takePicture(OwnedDib picture, const QString& origin = QStringLiteral("picture"));
    // The same with the field and result made while the file decoded; the
    // outcome is that of takePicture(picture).
    bool takePicture(OwnedDib picture, PreparedPicture prepared, const QString& origin);

    // The picture page. Loads a picture file as the source picture; on
    // failure a message box says why and nothing changes. True when loaded.
    bool openfilenow(const QString& fileName);
    void DibPrevPaintPaint(QPainter& painter);
    void FilterComboBox1Change();
    void JamShellList1DblClick();
    // Keys typed in the lists; a key set to 0 is swallowed.
    void JamShellList1KeyPress(char& key);
    void PrefListBoxDblClick();
    void PrefListBoxKeyPress(char& key);
    void AddToPrefFolders(const QString& folder);
    // A picture file or folder named from outside (the command line, a
    // drop): a folder is shown in the tree; a file is opened as a
    // double-click on it in the file list opens it.
    void openPath(const QString& path);
    // The folder tree's selected folder, ending with "/"; empty when none.
    QString selectedFolder() const;
    // Selects `folder` in the tree; the file list follows. False, and the
    // selection stays, when it is not an existing folder.
    bool selectFolder(const QString& folder);
    const FavouriteFolders& favourites() const { return favourites_; }
    // Where folders.dat is read and written.
    const QString& favouritesFile() const { return favouritesFile_; }

    // The imaging library's progress message.
    void WMUser(int32_t wParam);
    void SetProStatus(int32_t percent) override;

    // The brush as the tool bar shows it now.
    BrushSettings brushSettings() const;

    const WarpSession& session() const { return *session_; }
    const StrokeController& strokes() const { return *strokes_; }
    // Ends with the path separator.
    const QString& executableFolder() const { return executableFolder_; }
    const QString& helpFile() const { return helpFile_; }
    // What the depth conversion draws its palette colours from.
    RandomSource& random() { return random_; }

    // Page control and pages.
    QTabWidget* PageControl2 = nullptr;
    QList<QPixmap> TaBImages;
    QWidget* TabSheetMotivLaden = nullptr;
    QWidget* TabSheet2 = nullptr;
    QWidget* TabSheet4 = nullptr;

    // Page 1.
    QListWidget* PrefListBox = nullptr;
    QTreeView* JamShellTree1 = nullptr;
    QTreeView* JamShellList1 = nullptr;
    QComboBox* FilterComboBox1 = nullptr;
    PreviewBox* DibPrevPaint = nullptr;
    QLineEdit* Breit = nullptr;
    QLineEdit* Hoch = nullptr;
    QLineEdit* Tief = nullptr;

    // Page 2.
    Panel* SpeedBar1 = nullptr;
    QButtonGroup* BrushGroup = nullptr;
    QToolButton* WachsenBtn = nullptr;
    QToolButton* SchrumpfenBtn = nullptr;
    QToolButton* SchmierenBtn = nullptr;
    QToolButton* ZerrenBtn = nullptr;
    QToolButton* RadiererBtn = nullptr;
    // The brush buttons from the top of the tool bar; the keys 1, 2, 3 and
    // on choose them.
    QList<QToolButton*> BrushButtons;
    QCheckBox* NormalizeCheck = nullptr;
    QRadioButton* xyCheck = nullptr;
    QRadioButton* xCheck = nullptr;
    QRadioButton* ycheck = nullptr;
    SpinEdit* StarkED = nullptr;
    SpinEdit* RadiusED = nullptr;
    SpinEdit* ZoomEd = nullptr;
    // A pen's pressure scales each dab's strength while it is checked.
    QCheckBox* PressureCheck = nullptr;
    // The tool bar's second column.
    Panel* SpeedBar2 = nullptr;
    QToolButton* FreezeBtn = nullptr;
    QToolButton* ThawBtn = nullptr;
    QCheckBox* ShowMaskCheck = nullptr;
    QToolButton* ClearMaskBtn = nullptr;
    QToolButton* InvertMaskBtn = nullptr;
    QCheckBox* CompareCheck = nullptr;
    QCheckBox* ShowGridCheck = nullptr;
    QCheckBox* ShowFoldsCheck = nullptr;
    // The same switch as SmoothCheck, on the editing page.
    QCheckBox* EditSmoothCheck = nullptr;
    // In the page's header band, right of its text.
    QToolButton* UndoBtn = nullptr;
    QToolButton* RedoBtn = nullptr;
    QScrollArea* ScrollBox1 = nullptr;
    EditCanvas* PaintBox1 = nullptr;
    QTimer* Timer1 = nullptr;

    // Page 3.
    QPushButton* SaveAsBtn = nullptr;
    QPushButton* PrintBtn = nullptr;
    QCheckBox* SmoothCheck = nullptr;
    QPushButton* SaveAnimBtn = nullptr;
    QScrollArea* ErgScrollBox = nullptr;
    ResultView* ErgPaintBox = nullptr;
    QPushButton* SaveWarpBtn = nullptr;
    QPushButton* LoadWarpBtn = nullptr;
    QPushButton* ExportMapBtn = nullptr;
    // The three warp buttons in one menu, shown instead of them while the
    // row is too narrow for them.
    QToolButton* WarpMenuBtn = nullptr;
    // Made at the first click on SaveAsBtn.
    QFileDialog* SaveDialog1 = nullptr;
    // Single shot, restarted by every step.
    QTimer* RecoveryTimer = nullptr;

    // Bottom bar and status bar.
    QPushButton* wwwBtn = nullptr;
    TImageBtn* ueberbtn = nullptr;
    TImageBtn* endebtn = nullptr;
    ProgressStatusBar* StatusBar1 = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildLayout();
    QWidget* buildPage1();
    QWidget* buildPage2();
    QWidget* buildPage3();
    QWidget* buildBottomBar();
    void connectHandlers();

    void FormCreate();
    void FormDestroy();
    // Behaviour of the picture page and of the result page's dialogs, set up
    // once the layout and the session exist.
    void setUpPicturePage();
    void setUpResultPage();
    void setUpWarpFiles();
    // Both "Smooth" boxes to `smooth`, the session rendered that way, the
    // views drawn again.
    void setSmooth(bool smooth);
    // The file list shows `folder` (the tree's selection).
    void listFolder(const QString& folder);
    // The box for a favourite or dropped folder that is not there.
    void folderMissing(const QString& folder);

    // The window's wheel handling; steps of 120 units, the rest kept for
    // the next event. With Ctrl on the editing view it zooms, with Shift it
    // scrolls sideways.
    void mouseWheel(const QWheelEvent& event, bool onEditingView);
    void scrollSideways(int steps);
    // The window's shortcuts beyond the layout's: saving, printing, zoom.
    void setUpKeys();
    // A key typed on the editing view: brushes, radius, strength. True if
    // it was one of them.
    bool editingKey(const QKeyEvent& event);
    QScrollArea* wheelTarget() const;

    // EditorHost: the editing view and the timer.
    void showMessage(const std::string& text) override;
    void captureMouse() override;
    void releaseMouse() override;
    void setTimerEnabled(bool enabled) override;
    void drawOutline(const OutlineRect& rect) override;
    void eraseOutline(const OutlineRect& rect) override;
    void drawPicture() override;
    void drawPictureRect(const DabRect& pictureRect) override;
    void setViewSize(int64_t width, int64_t height) override;
    void historyChanged() override;
    void oldestStepsDropped() override;
    void pictureReplaced() override;

    // The boxes of the picture page and the preview, for the source picture.
    void showPictureInfo();
    // The backslash key: the source in place of the result while held.
    void holdSource(bool held);
    // The folds brought up to date in `changed`, or made anew, and counted
    // in the status bar; nothing while they are not shown.
    void updateFolds(const DabRect& changed);
    void rebuildFolds();
    // A file name from a dialog of the result page's warp buttons: for
    // saving, with the type's extension added and a replaced file agreed.
    QString askWarpFileName(const QString& caption, const QStringList& types, bool save);

    QString executableFolder_;
    QString helpFile_;
    RandomSource random_;
    std::unique_ptr<WarpSession> session_;
    std::unique_ptr<StrokeController> strokes_;
    std::unique_ptr<RecoveryKeeper> recovery_;
    FolderChooser chooseFolder_;
    // Where the warp buttons' dialogs open next.
    QString warpFolder_;
    // Result page: where the save dialog opens next, and the printer.
    QString saveFolder_;
    // The options chosen at the last "Save animation...".
    AnimationSettings animationSettings_;
    PrinterHolder* printerHolder_ = nullptr;
    // Picture page: the tree's folders, the list's entries and its filter.
    QFileSystemModel* folderModel_ = nullptr;
    QFileSystemModel* fileModel_ = nullptr;
    MaskFilterModel* fileFilter_ = nullptr;
    ListColumnFitter* listColumns_ = nullptr;
    std::vector<FilterEntry> filters_;
    FavouriteFolders favourites_;
    QString favouritesFile_;
    // Until the user scrolls or opens folders in the tree himself, its
    // selection is kept in view while the model fills in.
    bool revealTreeSelection_ = false;
    int wheelRest_ = 0;
    FoldMap folds_;
    bool sourceHeld_ = false;
    // What the boxes of the picture page show for the start-up picture.
    QString startWidth_;
    QString startHeight_;
    QString startColours_;
};

}  // namespace grimora
