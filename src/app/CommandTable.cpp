#include "app/CommandTable.h"

#include "app/CommandIds.h"

#include <QtGlobal>
#include <array>

namespace vantrel {

namespace {

using namespace cmd;

constexpr CommandInfo kCommands[] = {
    {FileNew, QT_TRANSLATE_NOOP("Menu", "&New\tCtrl+N")},
    {FileOpen, QT_TRANSLATE_NOOP("Menu", "&Open...\tCtrl+O")},
    {FileClose, QT_TRANSLATE_NOOP("Menu", "&Close")},
    {FileSave, QT_TRANSLATE_NOOP("Menu", "&Save\tCtrl+S")},
    {FileSaveAs, QT_TRANSLATE_NOOP("Menu", "Save &As...")},
    {FilePrint, QT_TRANSLATE_NOOP("Menu", "&Print...")},
    {FilePrintPreview, QT_TRANSLATE_NOOP("Menu", "Print Pre&view")},
    {FilePrintSetup, QT_TRANSLATE_NOOP("Menu", "P&rint Setup...")},
    {TwainSettings, QT_TRANSLATE_NOOP("Menu", "&TWAIN Settings...")},
    {WebCamera, QT_TRANSLATE_NOOP("Menu", "&Web Camera...")},
    {ScanNow, QT_TRANSLATE_NOOP("Menu", "Sca&n Now")},
    {FileAssociations, QT_TRANSLATE_NOOP("Menu", "File &Associations...")},
    {FileMru1, QT_TRANSLATE_NOOP("Menu", "Recent File")},
    {AppExit, QT_TRANSLATE_NOOP("Menu", "E&xit")},
    {EditUndo, QT_TRANSLATE_NOOP("Menu", "&Undo\tCtrl+Z")},
    {EditRedo, QT_TRANSLATE_NOOP("Menu", "&Redo\tCtrl+Y")},
    {EditCut, QT_TRANSLATE_NOOP("Menu", "Cu&t\tCtrl+X")},
    {EditCopy, QT_TRANSLATE_NOOP("Menu", "&Copy\tCtrl+C")},
    {EditPaste, QT_TRANSLATE_NOOP("Menu", "&Paste\tCtrl+V")},
    {EditDelete, QT_TRANSLATE_NOOP("Menu", "&Delete\tDel")},
    {SelectAll, QT_TRANSLATE_NOOP("Menu", "Select &All\tCtrl+A")},
    {Crop, QT_TRANSLATE_NOOP("Menu", "Cr&op")},
    {PasteAsNewImage, QT_TRANSLATE_NOOP("Menu", "Paste as &New Image")},
    {ViewToolbar, QT_TRANSLATE_NOOP("Menu", "&Toolbar")},
    {ViewStatusBar, QT_TRANSLATE_NOOP("Menu", "&Status Bar")},
    {ViewToolsBar, QT_TRANSLATE_NOOP("Menu", "T&ools Bar")},
    {ViewEffectsBar, QT_TRANSLATE_NOOP("Menu", "&Effects Bar")},
    {ViewColourBar, QT_TRANSLATE_NOOP("Menu", "&Colour Bar")},
    {ZoomIn, QT_TRANSLATE_NOOP("Menu", "Zoom &In\tNum +")},
    {ZoomOut, QT_TRANSLATE_NOOP("Menu", "Zoom O&ut\tNum -")},
    {Font, QT_TRANSLATE_NOOP("Menu", "&Font...\tCtrl+B")},
    {ToolRectSelect, QT_TRANSLATE_NOOP("Menu", "&Rectangle Select\tCtrl+M")},
    {ToolEllipseSelect, QT_TRANSLATE_NOOP("Menu", "&Ellipse Select\tAlt+E")},
    {ToolLassoSelect, QT_TRANSLATE_NOOP("Menu", "&Lasso Select\tCtrl+U")},
    {ToolHueSelect, QT_TRANSLATE_NOOP("Menu", "&Hue Select\tAlt+H")},
    {ToolPencil, QT_TRANSLATE_NOOP("Menu", "&Pencil\tCtrl+P")},
    {ToolEraser, QT_TRANSLATE_NOOP("Menu", "Eras&er\tAlt+D")},
    {ToolFill, QT_TRANSLATE_NOOP("Menu", "&Fill\tCtrl+Q")},
    {ToolColourPicker, QT_TRANSLATE_NOOP("Menu", "&Colour Picker\tCtrl+G")},
    {ToolBlurBrush, QT_TRANSLATE_NOOP("Menu", "&Blur Brush\tAlt+B")},
    {ToolText, QT_TRANSLATE_NOOP("Menu", "&Text\tCtrl+T")},
    {ToolLine, QT_TRANSLATE_NOOP("Menu", "&Line\tCtrl+L")},
    {ToolRectangle, QT_TRANSLATE_NOOP("Menu", "Rec&tangle\tCtrl+R")},
    {ToolFilledRectangle, QT_TRANSLATE_NOOP("Menu", "Filled Rectan&gle\tCtrl+F")},
    {ToolEllipse, QT_TRANSLATE_NOOP("Menu", "Elli&pse\tCtrl+E")},
    {ToolFilledEllipse, QT_TRANSLATE_NOOP("Menu", "Filled Ellipse\tCtrl+D")},
    {SwapColours, QT_TRANSLATE_NOOP("Menu", "S&wap Colours\tAlt+X")},
    {FlipVertical, QT_TRANSLATE_NOOP("Menu", "Flip Vertical")},
    {FlipHorizontal, QT_TRANSLATE_NOOP("Menu", "Flip Horizontal")},
    {RotateLeft, QT_TRANSLATE_NOOP("Menu", "Rotate Left")},
    {RotateRight, QT_TRANSLATE_NOOP("Menu", "Rotate Right")},
    {RotateByAngle, QT_TRANSLATE_NOOP("Menu", "Rotate by Angle...")},
    {MoveLeft, QT_TRANSLATE_NOOP("Menu", "Move Left\tLeft Arrow")},
    {MoveRight, QT_TRANSLATE_NOOP("Menu", "Move Right\tRight Arrow")},
    {MoveUp, QT_TRANSLATE_NOOP("Menu", "Move Up\tUp Arrow")},
    {MoveDown, QT_TRANSLATE_NOOP("Menu", "Move Down\tDown Arrow")},
    {ConvertImage, QT_TRANSLATE_NOOP("Menu", "Convert Image...")},
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
constexpr MenuItem kDocView[] = {{ViewToolbar}, {ViewToolsBar}, {ViewEffectsBar}, {ViewColourBar},
                                 {0},           {ZoomIn},       {ZoomOut}};
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
                                  {ConvertImage}};
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
    {Qt::CTRL | Qt::Key_Y, ToolColourPicker}, // shadowed by redo above
};

} // namespace

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
