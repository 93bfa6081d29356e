#include "app/CommandTable.h"

#include "commands/CommandIds.h"

#include <QtGlobal>
#include <array>

namespace vantrel {

namespace {

using namespace cmd;

constexpr CommandInfo kCommands[] = {
    {FileNew, QT_TRANSLATE_NOOP("Menu", "&New\tCtrl+N"),
     QT_TRANSLATE_NOOP("Prompt", "Create a new image\nNew"), "toolbar/new"},
    {FileOpen, QT_TRANSLATE_NOOP("Menu", "&Open...\tCtrl+O"),
     QT_TRANSLATE_NOOP("Prompt", "Open an existing image\nOpen"), "toolbar/open"},
    {FileClose, QT_TRANSLATE_NOOP("Menu", "&Close"),
     QT_TRANSLATE_NOOP("Prompt", "Close the active image\nClose"), "toolbar/close"},
    {FileSave, QT_TRANSLATE_NOOP("Menu", "&Save\tCtrl+S"),
     QT_TRANSLATE_NOOP("Prompt", "Save the active image\nSave"), "toolbar/save"},
    {FileSaveAs, QT_TRANSLATE_NOOP("Menu", "Save &As..."),
     QT_TRANSLATE_NOOP("Prompt", "Save the active image under a new name\nSave As"), nullptr},
    {FilePrint, QT_TRANSLATE_NOOP("Menu", "&Print...")},
    {FilePrintPreview, QT_TRANSLATE_NOOP("Menu", "Print Pre&view")},
    {FilePrintSetup, QT_TRANSLATE_NOOP("Menu", "P&rint Setup...")},
    {TwainSettings, QT_TRANSLATE_NOOP("Menu", "&TWAIN Settings...")},
    {WebCamera, QT_TRANSLATE_NOOP("Menu", "&Web Camera...")},
    {ScanNow, QT_TRANSLATE_NOOP("Menu", "Sca&n Now")},
    {FileAssociations, QT_TRANSLATE_NOOP("Menu", "File &Associations...")},
    {FileMru1, QT_TRANSLATE_NOOP("Menu", "Recent File")},
    {AppExit, QT_TRANSLATE_NOOP("Menu", "E&xit")},
    {EditUndo, QT_TRANSLATE_NOOP("Menu", "&Undo\tCtrl+Z"),
     QT_TRANSLATE_NOOP("Prompt", "Undo the last action\nUndo"), "toolbar/undo"},
    {EditRedo, QT_TRANSLATE_NOOP("Menu", "&Redo\tCtrl+Y"),
     QT_TRANSLATE_NOOP("Prompt", "Redo the previously undone action\nRedo"), "toolbar/redo"},
    {EditCut, QT_TRANSLATE_NOOP("Menu", "Cu&t\tCtrl+X")},
    {EditCopy, QT_TRANSLATE_NOOP("Menu", "&Copy\tCtrl+C")},
    {EditPaste, QT_TRANSLATE_NOOP("Menu", "&Paste\tCtrl+V")},
    {EditDelete, QT_TRANSLATE_NOOP("Menu", "&Delete\tDel")},
    {SelectAll, QT_TRANSLATE_NOOP("Menu", "Select &All\tCtrl+A")},
    {Crop, QT_TRANSLATE_NOOP("Menu", "Cr&op")},
    {PasteAsNewImage, QT_TRANSLATE_NOOP("Menu", "Paste as &New Image")},
    {ViewToolbar, QT_TRANSLATE_NOOP("Menu", "&Toolbar")},
    {ViewStatusBar, QT_TRANSLATE_NOOP("Menu", "&Status Bar")},
    {ViewToolsBar, QT_TRANSLATE_NOOP("Menu", "T&ools Bar"),
     QT_TRANSLATE_NOOP("Prompt", "Show or hide the Tools bar\nTools bar"), nullptr},
    {ViewEffectsBar, QT_TRANSLATE_NOOP("Menu", "&Effects Bar"),
     QT_TRANSLATE_NOOP("Prompt", "Show or hide the Effects bar\nEffects bar"), nullptr},
    {ViewColourBar, QT_TRANSLATE_NOOP("Menu", "&Colour Bar"),
     QT_TRANSLATE_NOOP("Prompt", "Show or hide the colour bar\nColour bar"), nullptr},
    {ZoomIn, QT_TRANSLATE_NOOP("Menu", "Zoom &In\tNum +"),
     QT_TRANSLATE_NOOP("Prompt", "Zoom in\nZoom in"), "toolbar/zoom-in"},
    {ZoomOut, QT_TRANSLATE_NOOP("Menu", "Zoom O&ut\tNum -"),
     QT_TRANSLATE_NOOP("Prompt", "Zoom out\nZoom out"), "toolbar/zoom-out"},
    {ViewFitToWindow, QT_TRANSLATE_NOOP("Menu", "&Fit to Window\tCtrl+0"),
     QT_TRANSLATE_NOOP("Prompt", "Zoom so that the whole image fits the window\nFit to window")},
    {ViewActualSize, QT_TRANSLATE_NOOP("Menu", "&Actual Size\tCtrl+1"),
     QT_TRANSLATE_NOOP("Prompt", "Show the image at 100 %\nActual size")},
    {Font, QT_TRANSLATE_NOOP("Menu", "&Font...\tCtrl+B")},
    {ToolRectSelect, QT_TRANSLATE_NOOP("Menu", "&Rectangle Select\tCtrl+M"),
     QT_TRANSLATE_NOOP("Prompt", "Rectangle select tool\nRectangle select tool"),
     "toolbar/rect-select"},
    {ToolEllipseSelect, QT_TRANSLATE_NOOP("Menu", "&Ellipse Select\tAlt+E"),
     QT_TRANSLATE_NOOP("Prompt", "Ellipse select tool\nEllipse select tool"),
     "toolbar/ellipse-select"},
    {ToolLassoSelect, QT_TRANSLATE_NOOP("Menu", "&Lasso Select\tCtrl+U"),
     QT_TRANSLATE_NOOP("Prompt", "Lasso select tool\nLasso select tool"), "toolbar/lasso-select"},
    {ToolHueSelect, QT_TRANSLATE_NOOP("Menu", "&Hue Select\tAlt+H"),
     QT_TRANSLATE_NOOP("Prompt", "Hue select tool\nHue select tool"), "toolbar/hue-select"},
    {ToolPencil, QT_TRANSLATE_NOOP("Menu", "&Pencil\tCtrl+P"),
     QT_TRANSLATE_NOOP("Prompt", "Pencil tool\nPencil tool"), "toolbar/pencil"},
    {ToolEraser, QT_TRANSLATE_NOOP("Menu", "Eras&er\tAlt+D"),
     QT_TRANSLATE_NOOP("Prompt", "Eraser tool\nEraser tool"), "toolbar/eraser"},
    {ToolFill, QT_TRANSLATE_NOOP("Menu", "&Fill\tCtrl+Q"),
     QT_TRANSLATE_NOOP("Prompt", "Fill tool\nFill tool"), "toolbar/fill"},
    {ToolColourPicker, QT_TRANSLATE_NOOP("Menu", "&Colour Picker\tCtrl+G"),
     QT_TRANSLATE_NOOP("Prompt", "Colour picker tool\nColour picker tool"),
     "toolbar/colour-picker"},
    {ToolBlurBrush, QT_TRANSLATE_NOOP("Menu", "&Blur Brush\tAlt+B"),
     QT_TRANSLATE_NOOP("Prompt", "Blur brush tool\nBlur brush tool"), "toolbar/blur-brush"},
    {ToolText, QT_TRANSLATE_NOOP("Menu", "&Text\tCtrl+T"),
     QT_TRANSLATE_NOOP("Prompt", "Text tool\nText tool"), "toolbar/text"},
    {ToolLine, QT_TRANSLATE_NOOP("Menu", "&Line\tCtrl+L"),
     QT_TRANSLATE_NOOP("Prompt", "Line tool\nLine tool"), "toolbar/line"},
    {ToolRectangle, QT_TRANSLATE_NOOP("Menu", "Rec&tangle\tCtrl+R"),
     QT_TRANSLATE_NOOP("Prompt", "Rectangle tool\nRectangle tool"), "toolbar/rectangle"},
    {ToolFilledRectangle, QT_TRANSLATE_NOOP("Menu", "Filled Rectan&gle\tCtrl+F"),
     QT_TRANSLATE_NOOP("Prompt", "Filled rectangle tool\nFilled rectangle tool"),
     "toolbar/filled-rectangle"},
    {ToolEllipse, QT_TRANSLATE_NOOP("Menu", "Elli&pse\tCtrl+E"),
     QT_TRANSLATE_NOOP("Prompt", "Ellipse tool\nEllipse tool"), "toolbar/ellipse"},
    {ToolFilledEllipse, QT_TRANSLATE_NOOP("Menu", "Filled Ellipse\tCtrl+D"),
     QT_TRANSLATE_NOOP("Prompt", "Filled ellipse tool\nFilled ellipse tool"),
     "toolbar/filled-ellipse"},
    {SwapColours, QT_TRANSLATE_NOOP("Menu", "S&wap Colours\tAlt+X"),
     QT_TRANSLATE_NOOP("Prompt", "Swap the fore and back colours\nSwap colours"),
     "toolbar/swap-colours"},
    {FlipVertical, QT_TRANSLATE_NOOP("Menu", "Flip Vertical"),
     QT_TRANSLATE_NOOP("Prompt", "Flip vertically\nFlip vertical"), "toolbar/flip-vertical"},
    {FlipHorizontal, QT_TRANSLATE_NOOP("Menu", "Flip Horizontal"),
     QT_TRANSLATE_NOOP("Prompt", "Flip horizontally\nFlip horizontal"), "toolbar/flip-horizontal"},
    {RotateLeft, QT_TRANSLATE_NOOP("Menu", "Rotate Left"),
     QT_TRANSLATE_NOOP("Prompt", "Rotate a quarter turn to the left\nRotate left"),
     "toolbar/rotate-left"},
    {RotateRight, QT_TRANSLATE_NOOP("Menu", "Rotate Right"),
     QT_TRANSLATE_NOOP("Prompt", "Rotate a quarter turn to the right\nRotate right"),
     "toolbar/rotate-right"},
    {RotateByAngle, QT_TRANSLATE_NOOP("Menu", "Rotate by Angle...")},
    {MoveLeft, QT_TRANSLATE_NOOP("Menu", "Move Left\tLeft Arrow"),
     QT_TRANSLATE_NOOP("Prompt", "Move one pixel left\nMove left"), "toolbar/move-left"},
    {MoveRight, QT_TRANSLATE_NOOP("Menu", "Move Right\tRight Arrow"),
     QT_TRANSLATE_NOOP("Prompt", "Move one pixel right\nMove right"), "toolbar/move-right"},
    {MoveUp, QT_TRANSLATE_NOOP("Menu", "Move Up\tUp Arrow"),
     QT_TRANSLATE_NOOP("Prompt", "Move one pixel up\nMove up"), "toolbar/move-up"},
    {MoveDown, QT_TRANSLATE_NOOP("Menu", "Move Down\tDown Arrow"),
     QT_TRANSLATE_NOOP("Prompt", "Move one pixel down\nMove down"), "toolbar/move-down"},
    {ConvertImage, QT_TRANSLATE_NOOP("Menu", "Convert Image...")},
    {ResizeImage, QT_TRANSLATE_NOOP("Menu", "Resi&ze Image..."),
     QT_TRANSLATE_NOOP("Prompt", "Change the size of the image, scaling its pixels\nResize image")},
    {CanvasSize, QT_TRANSLATE_NOOP("Menu", "Can&vas Size..."),
     QT_TRANSLATE_NOOP("Prompt", "Change the size of the canvas, keeping the pixels\nCanvas size")},
    {Brightness, QT_TRANSLATE_NOOP("Menu", "Adjust Brightness... (&B)")},
    {Contrast, QT_TRANSLATE_NOOP("Menu", "Adjust Contrast(&C)...")},
    {HueSaturation, QT_TRANSLATE_NOOP("Menu", "Adjust Saturation(&H)...")},
    {BlurSettings, QT_TRANSLATE_NOOP("Menu", "Blur &Settings...")},
    {BlurImage, QT_TRANSLATE_NOOP("Menu", "B&lur Image")},
    {Invert, QT_TRANSLATE_NOOP("Menu", "&Invert Colours")},
    {Greyscale, QT_TRANSLATE_NOOP("Menu", "&Greyscale")},
    {Sharpen, QT_TRANSLATE_NOOP("Menu", "Sharpen")},
    {Emboss, QT_TRANSLATE_NOOP("Menu", "Emboss")},
    {WindowNew, QT_TRANSLATE_NOOP("Menu", "&New Window")},
    {WindowCascade, QT_TRANSLATE_NOOP("Menu", "&Cascade")},
    {WindowTile, QT_TRANSLATE_NOOP("Menu", "&Tile")},
    {WindowArrange, QT_TRANSLATE_NOOP("Menu", "&Arrange Icons")},
    {HelpIndex, QT_TRANSLATE_NOOP("Menu", "&Help Topics")},
    {AppAbout, QT_TRANSLATE_NOOP("Menu", "&About Vantrel...")},
    {PencilSize0, QT_TRANSLATE_NOOP("Menu", "Pencil Size 1"),
     QT_TRANSLATE_NOOP("Prompt", "Smallest round pencil\nPencil size 1"), "options/pencil-size-0"},
    {PencilSize1, QT_TRANSLATE_NOOP("Menu", "Pencil Size 2"),
     QT_TRANSLATE_NOOP("Prompt", "Small round pencil\nPencil size 2"), "options/pencil-size-1"},
    {PencilSize2, QT_TRANSLATE_NOOP("Menu", "Pencil Size 3"),
     QT_TRANSLATE_NOOP("Prompt", "Large round pencil\nPencil size 3"), "options/pencil-size-2"},
    {PencilSize3, QT_TRANSLATE_NOOP("Menu", "Pencil Size 4"),
     QT_TRANSLATE_NOOP("Prompt", "Largest round pencil\nPencil size 4"), "options/pencil-size-3"},
    {EraserSize0, QT_TRANSLATE_NOOP("Menu", "Eraser Size 1"),
     QT_TRANSLATE_NOOP("Prompt", "Smallest square eraser\nEraser size 1"), "options/eraser-size-0"},
    {EraserSize1, QT_TRANSLATE_NOOP("Menu", "Eraser Size 2"),
     QT_TRANSLATE_NOOP("Prompt", "Small square eraser\nEraser size 2"), "options/eraser-size-1"},
    {EraserSize2, QT_TRANSLATE_NOOP("Menu", "Eraser Size 3"),
     QT_TRANSLATE_NOOP("Prompt", "Large square eraser\nEraser size 3"), "options/eraser-size-2"},
    {EraserSize3, QT_TRANSLATE_NOOP("Menu", "Eraser Size 4"),
     QT_TRANSLATE_NOOP("Prompt", "Largest square eraser\nEraser size 4"), "options/eraser-size-3"},
    {LineWidth0, QT_TRANSLATE_NOOP("Menu", "Line Width 1"),
     QT_TRANSLATE_NOOP("Prompt", "Thinnest line\nLine width 1"), "options/line-width-0"},
    {LineWidth1, QT_TRANSLATE_NOOP("Menu", "Line Width 2"),
     QT_TRANSLATE_NOOP("Prompt", "Thin line\nLine width 2"), "options/line-width-1"},
    {LineWidth2, QT_TRANSLATE_NOOP("Menu", "Line Width 3"),
     QT_TRANSLATE_NOOP("Prompt", "Thick line\nLine width 3"), "options/line-width-2"},
    {LineWidth3, QT_TRANSLATE_NOOP("Menu", "Line Width 4"),
     QT_TRANSLATE_NOOP("Prompt", "Thickest line\nLine width 4"), "options/line-width-3"},
};

constexpr MenuItem kNoDocFile[] = {{FileNew},          {FileOpen},  {FilePrintSetup}, {0},
                                   {TwainSettings},    {WebCamera}, {ScanNow},        {0},
                                   {FileAssociations}, {0},         {FileMru1},       {0},
                                   {FileClose},        {AppExit}};
constexpr MenuItem kNoDocEdit[] = {{PasteAsNewImage}};
constexpr MenuItem kNoDocView[] = {{ViewToolbar}, {ViewStatusBar}};
constexpr MenuItem kNoDocHelp[] = {{AppAbout}};

constexpr MenuItem kDocFile[] = {
    {FileNew},        {FileOpen},  {FileClose},        {FileSave}, {FileSaveAs}, {0},
    {TwainSettings},  {WebCamera}, {ScanNow},          {0},        {FilePrint},  {FilePrintPreview},
    {FilePrintSetup}, {0},         {FileAssociations}, {0},        {FileMru1},   {0},
    {AppExit}};
constexpr MenuItem kDocEdit[] = {{EditUndo},  {EditRedo},   {0}, {EditCut},   {EditCopy},
                                 {EditPaste}, {EditDelete}, {0}, {SelectAll}, {Crop}};
constexpr MenuItem kDocView[] = {
    {ViewToolbar}, {ViewToolsBar}, {ViewEffectsBar},  {ViewColourBar}, {0},
    {ZoomIn},      {ZoomOut},      {ViewFitToWindow}, {ViewActualSize}};
constexpr MenuItem kDocText[] = {{Font}};
constexpr MenuItem kDocTools[] = {{ToolRectSelect},
                                  {ToolEllipseSelect},
                                  {ToolLassoSelect},
                                  {ToolHueSelect},
                                  {0},
                                  {ToolPencil},
                                  {ToolEraser},
                                  {ToolFill},
                                  {ToolColourPicker},
                                  {ToolBlurBrush},
                                  {ToolText},
                                  {0},
                                  {ToolLine},
                                  {ToolRectangle},
                                  {ToolFilledRectangle},
                                  {ToolEllipse},
                                  {ToolFilledEllipse},
                                  {0},
                                  {SwapColours},
                                  {0},
                                  {FlipVertical},
                                  {FlipHorizontal},
                                  {RotateLeft},
                                  {RotateRight},
                                  {RotateByAngle},
                                  {0},
                                  {MoveLeft},
                                  {MoveRight},
                                  {MoveUp},
                                  {MoveDown},
                                  {0},
                                  {ConvertImage},
                                  {ResizeImage},
                                  {CanvasSize}};
constexpr MenuItem kDocEffects[] = {{Brightness},   {Contrast},  {HueSaturation}, {0},
                                    {BlurSettings}, {BlurImage}, {Invert},        {Greyscale},
                                    {Sharpen},      {Emboss}};
constexpr MenuItem kDocWindow[] = {{WindowNew}, {WindowCascade}, {WindowTile}, {WindowArrange}};
constexpr MenuItem kDocHelp[] = {{HelpIndex}, {0}, {AppAbout}};

const MenuInfo kNoDocMenus[] = {
    {QT_TRANSLATE_NOOP("Menu", "&File"), kNoDocFile},
    {QT_TRANSLATE_NOOP("Menu", "&Edit"), kNoDocEdit},
    {QT_TRANSLATE_NOOP("Menu", "&View"), kNoDocView},
    {QT_TRANSLATE_NOOP("Menu", "&Help"), kNoDocHelp},
};

const MenuInfo kDocMenus[] = {
    {QT_TRANSLATE_NOOP("Menu", "&File"), kDocFile},
    {QT_TRANSLATE_NOOP("Menu", "&Edit"), kDocEdit},
    {QT_TRANSLATE_NOOP("Menu", "&View"), kDocView},
    {QT_TRANSLATE_NOOP("Menu", "Te&xt"), kDocText},
    {QT_TRANSLATE_NOOP("Menu", "&Tools"), kDocTools},
    {QT_TRANSLATE_NOOP("Menu", "Effe&cts"), kDocEffects},
    {QT_TRANSLATE_NOOP("Menu", "&Window"), kDocWindow, true},
    {QT_TRANSLATE_NOOP("Menu", "&Help"), kDocHelp},
};

const Accelerator kAccelerators[] = {
    {Qt::CTRL | Qt::Key_C, EditCopy},
    {Qt::CTRL | Qt::Key_Insert, EditCopy},
    {Qt::SHIFT | Qt::Key_Delete, EditCut},
    {Qt::CTRL | Qt::Key_X, EditCut},
    {QKeyCombination(Qt::Key_Delete), EditDelete},
    {Qt::CTRL | Qt::Key_V, EditPaste},
    {Qt::SHIFT | Qt::Key_Insert, EditPaste},
    {Qt::CTRL | Qt::Key_Y, EditRedo},
    {Qt::CTRL | Qt::Key_A, SelectAll},
    {Qt::ALT | Qt::Key_Backspace, EditUndo},
    {Qt::CTRL | Qt::Key_Z, EditUndo},
    {Qt::CTRL | Qt::Key_N, FileNew},
    {Qt::CTRL | Qt::Key_O, FileOpen},
    {Qt::CTRL | Qt::Key_S, FileSave},
    {Qt::CTRL | Qt::Key_B, Font},
    {Qt::ALT | Qt::Key_B, ToolBlurBrush},
    {Qt::CTRL | Qt::Key_E, ToolEllipse},
    {Qt::ALT | Qt::Key_E, ToolEllipseSelect},
    {Qt::ALT | Qt::Key_X, SwapColours},
    {Qt::CTRL | Qt::Key_G, ToolColourPicker},
    {Qt::CTRL | Qt::Key_Q, ToolFill},
    {Qt::CTRL | Qt::Key_D, ToolFilledEllipse},
    {Qt::CTRL | Qt::Key_F, ToolFilledRectangle},
    {Qt::ALT | Qt::Key_H, ToolHueSelect},
    {Qt::CTRL | Qt::Key_U, ToolLassoSelect},
    {Qt::CTRL | Qt::Key_L, ToolLine},
    {Qt::CTRL | Qt::Key_M, ToolRectSelect},
    {Qt::CTRL | Qt::Key_W, ToolRectSelect},
    {Qt::CTRL | Qt::Key_P, ToolPencil},
    {Qt::CTRL | Qt::Key_R, ToolRectangle},
    {QKeyCombination(Qt::Key_Down), MoveDown},
    {QKeyCombination(Qt::Key_Left), MoveLeft},
    {QKeyCombination(Qt::Key_Right), MoveRight},
    {QKeyCombination(Qt::Key_Up), MoveUp},
    {Qt::CTRL | Qt::Key_T, ToolText},
    {Qt::KeypadModifier | Qt::Key_Plus, ZoomIn},
    {Qt::KeypadModifier | Qt::Key_Minus, ZoomOut},
    {Qt::ALT | Qt::Key_D, ToolEraser},
    {Qt::CTRL | Qt::Key_0, ViewFitToWindow},
    {Qt::CTRL | Qt::Key_1, ViewActualSize},
    {Qt::CTRL | Qt::Key_Y, ToolColourPicker}, // shadowed by redo above
};

constexpr int kStandardBar[] = {FileNew, FileOpen, FileSave, FileClose, EditUndo, EditRedo};
constexpr int kEffectsBar[] = {FlipVertical, FlipHorizontal, RotateLeft, RotateRight, MoveLeft,
                               MoveRight,    MoveUp,         MoveDown,   ZoomIn,      ZoomOut};
constexpr int kToolsBar[] = {
    ToolRectSelect, ToolEllipseSelect, ToolLassoSelect,     ToolHueSelect, ToolPencil,
    ToolEraser,     ToolFill,          ToolColourPicker,    ToolBlurBrush, ToolText,
    ToolLine,       ToolRectangle,     ToolFilledRectangle, ToolEllipse,   ToolFilledEllipse};
constexpr int kOptionBarA[] = {PencilSize0, PencilSize1, PencilSize2, PencilSize3};
constexpr int kOptionBarB[] = {EraserSize0, EraserSize1, EraserSize2, EraserSize3};
constexpr int kOptionBarC[] = {LineWidth0, LineWidth1, LineWidth2, LineWidth3};

const ToolbarInfo kToolbars[] = {
    {ToolbarId::Standard, "Standard", "Standard", kStandardBar, Qt::TopToolBarArea, false},
    {ToolbarId::Effects, "Effects", "Effects", kEffectsBar, Qt::TopToolBarArea, false},
    {ToolbarId::Tools, "Tools", "Tools", kToolsBar, Qt::LeftToolBarArea, false},
    {ToolbarId::OptionsA, "OptionsA", "", kOptionBarA, Qt::LeftToolBarArea, true},
    {ToolbarId::OptionsB, "OptionsB", "", kOptionBarB, Qt::LeftToolBarArea, true},
    {ToolbarId::OptionsC, "OptionsC", "", kOptionBarC, Qt::LeftToolBarArea, true},
    {ToolbarId::Tolerance, "Tolerance", "", {}, Qt::LeftToolBarArea, true},
};

} // namespace

std::span<const ToolbarInfo> toolbarTable() {
    return kToolbars;
}

std::span<const CommandInfo> commandTable() {
    return kCommands;
}

const CommandInfo* findCommand(int id) {
    for (const CommandInfo& c : kCommands)
        if (c.id == id)
            return &c;
    return nullptr;
}

std::span<const MenuInfo> noDocumentMenu() {
    return kNoDocMenus;
}
std::span<const MenuInfo> documentMenu() {
    return kDocMenus;
}
std::span<const Accelerator> acceleratorTable() {
    return kAccelerators;
}

} // namespace vantrel
