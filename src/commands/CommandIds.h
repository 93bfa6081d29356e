#pragma once

// Command identifiers shared by menus, accelerators and toolbar buttons. The numbers are
// stable: settings, tests and later toolbars refer to them.
namespace vantrel::cmd {

// Application and file
inline constexpr int FileNew = 57600;
inline constexpr int FileOpen = 57601;
inline constexpr int FileClose = 57602;
inline constexpr int FileSave = 57603;
inline constexpr int FileSaveAs = 57604;
inline constexpr int FilePrintSetup = 57606;
inline constexpr int FilePrint = 57607;
inline constexpr int FilePrintDirect = 57608;
inline constexpr int FilePrintPreview = 57609;
inline constexpr int FileMru1 = 57616;
inline constexpr int FileMru9 = 57624;
inline constexpr int RecentFileCount = 9;
inline constexpr int AppAbout = 57664;
inline constexpr int AppExit = 57665;
inline constexpr int HelpIndex = 57666;
inline constexpr int PasteAsNewImage = 32818;

// Edit
inline constexpr int EditCopy = 57634;
inline constexpr int EditCut = 57635;
inline constexpr int EditPaste = 57637;
inline constexpr int EditUndo = 57643;
inline constexpr int EditRedo = 57644;
inline constexpr int EditDelete = 32816;
inline constexpr int SelectAll = 32776;
inline constexpr int Crop = 32777;

// View and window
inline constexpr int ZoomIn = 32771;
inline constexpr int ZoomOut = 32772;
// Our own, beyond the numbers the menus started with.
inline constexpr int ViewFitToWindow = 32900;
inline constexpr int ViewActualSize = 32901;
inline constexpr int Font = 32805;
inline constexpr int ViewToolsBar = 32778;
inline constexpr int ViewEffectsBar = 32779;
inline constexpr int ViewColourBar = 32780;
inline constexpr int ViewToolbar = 59392;
inline constexpr int ViewStatusBar = 59393;
inline constexpr int WindowNew = 57648;
inline constexpr int WindowArrange = 57649;
inline constexpr int WindowCascade = 57650;
inline constexpr int WindowTile = 57651;

// Tools
inline constexpr int ToolPencil = 32774;
inline constexpr int ToolRectSelect = 32781;
inline constexpr int ToolEllipseSelect = 32782;
inline constexpr int ToolLassoSelect = 32783;
inline constexpr int ToolHueSelect = 32784;
inline constexpr int ToolColourPicker = 32785;
inline constexpr int SwapColours = 32786;
inline constexpr int ToolEraser = 32787;
inline constexpr int ToolFill = 32788;
inline constexpr int ToolLine = 32789;
inline constexpr int ToolBlurBrush = 32790;
inline constexpr int ToolText = 32791;
inline constexpr int ToolRectangle = 32792;
inline constexpr int ToolFilledRectangle = 32793;
inline constexpr int ToolEllipse = 32794;
inline constexpr int ToolFilledEllipse = 32795;

// Transforms
inline constexpr int FlipVertical = 32796;
inline constexpr int FlipHorizontal = 32797;
inline constexpr int RotateLeft = 32798;
inline constexpr int RotateRight = 32799;
inline constexpr int RotateByAngle = 32800;
inline constexpr int MoveLeft = 32801;
inline constexpr int MoveRight = 32802;
inline constexpr int MoveUp = 32803;
inline constexpr int MoveDown = 32804;
inline constexpr int ConvertImage = 32820;
// Beyond the original menus: resizing the image and its canvas.
inline constexpr int ResizeImage = 32850;
inline constexpr int CanvasSize = 32851;

// Option bars: pencil sizes (bar A, in button order), eraser sizes (B), line widths (C)
inline constexpr int PencilSize0 = 32829;
inline constexpr int PencilSize1 = 32826;
inline constexpr int PencilSize2 = 32827;
inline constexpr int PencilSize3 = 32828;
inline constexpr int EraserSize0 = 32831;
inline constexpr int EraserSize1 = 32832;
inline constexpr int EraserSize2 = 32833;
inline constexpr int EraserSize3 = 32834;
inline constexpr int LineWidth0 = 32835;
inline constexpr int LineWidth1 = 32836;
inline constexpr int LineWidth2 = 32837;
inline constexpr int LineWidth3 = 32838;

// Effects
inline constexpr int Brightness = 32806;
inline constexpr int Contrast = 32807;
inline constexpr int HueSaturation = 32809;
inline constexpr int BlurSettings = 32810;
inline constexpr int BlurImage = 32811;
inline constexpr int Invert = 32812;
inline constexpr int Greyscale = 32813;
inline constexpr int Sharpen = 32814;
inline constexpr int Emboss = 32815;

// Acquisition and shell
inline constexpr int FileAssociations = 32775;
inline constexpr int TwainSettings = 32823;
inline constexpr int WebCamera = 32824;
inline constexpr int ScanNow = 32825;

} // namespace vantrel::cmd
