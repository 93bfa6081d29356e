<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>Menu</name>
    <message>
        <source>&amp;New	Ctrl+N</source>
        <translation>新建(&amp;N)	Ctrl+N</translation>
    </message>
    <message>
        <source>&amp;Open...	Ctrl+O</source>
        <translation>打开(&amp;O)...	Ctrl+O</translation>
    </message>
    <message>
        <source>&amp;Close</source>
        <translation>关闭(&amp;C)</translation>
    </message>
    <message>
        <source>&amp;Save	Ctrl+S</source>
        <translation>保存(&amp;S)	Ctrl+S</translation>
    </message>
    <message>
        <source>Save &amp;As...</source>
        <translation>另存为(&amp;A)...</translation>
    </message>
    <message>
        <source>&amp;Print...</source>
        <translation>打印(&amp;P)...</translation>
    </message>
    <message>
        <source>Print Pre&amp;view</source>
        <translation>打印预览(&amp;V)</translation>
    </message>
    <message>
        <source>P&amp;rint Setup...</source>
        <translation>打印设置(&amp;R)...</translation>
    </message>
    <message>
        <source>&amp;TWAIN Settings...</source>
        <translation>TWAIN 设置(&amp;T)...</translation>
    </message>
    <message>
        <source>&amp;Web Camera...</source>
        <translation>网络摄像头(&amp;W)...</translation>
    </message>
    <message>
        <source>Sca&amp;n Now</source>
        <translation>立即扫描(&amp;N)</translation>
    </message>
    <message>
        <source>File &amp;Associations...</source>
        <translation>文件副本(&amp;A)...</translation>
    </message>
    <message>
        <source>Recent File</source>
        <translation>最近的文件</translation>
    </message>
    <message>
        <source>E&amp;xit</source>
        <translation>退出(&amp;X)</translation>
    </message>
    <message>
        <source>&amp;Undo	Ctrl+Z</source>
        <translation>撤消(&amp;U)	Ctrl+Z</translation>
    </message>
    <message>
        <source>&amp;Redo	Ctrl+Y</source>
        <translation>重做(&amp;R)	Ctrl+Y</translation>
    </message>
    <message>
        <source>Cu&amp;t	Ctrl+X</source>
        <translation>剪切(&amp;T)	Ctrl+X</translation>
    </message>
    <message>
        <source>&amp;Copy	Ctrl+C</source>
        <translation>复制(&amp;C)	Ctrl+C</translation>
    </message>
    <message>
        <source>&amp;Paste	Ctrl+V</source>
        <translation>粘贴(&amp;P)	Ctrl+V</translation>
    </message>
    <message>
        <source>&amp;Delete	Del</source>
        <translation>删除(&amp;D)	Del</translation>
    </message>
    <message>
        <source>Select &amp;All	Ctrl+A</source>
        <translation>全选(&amp;A)	Ctrl+A</translation>
    </message>
    <message>
        <source>Cr&amp;op</source>
        <translation>裁剪(&amp;O)</translation>
    </message>
    <message>
        <source>Paste as &amp;New Image</source>
        <translation>粘贴为新图像(&amp;N)</translation>
    </message>
    <message>
        <source>&amp;Toolbar</source>
        <translation>工具栏(&amp;T)</translation>
    </message>
    <message>
        <source>&amp;Status Bar</source>
        <translation>状态栏(&amp;S)</translation>
    </message>
    <message>
        <source>T&amp;ools Bar</source>
        <translation>工具条(&amp;O)</translation>
    </message>
    <message>
        <source>&amp;Effects Bar</source>
        <translation>效果条(&amp;E)</translation>
    </message>
    <message>
        <source>&amp;Colour Bar</source>
        <translation>颜色条(&amp;C)</translation>
    </message>
    <message>
        <source>Zoom &amp;In	Num +</source>
        <translation>放大(&amp;I)	Num +</translation>
    </message>
    <message>
        <source>Zoom O&amp;ut	Num -</source>
        <translation>缩小(&amp;U)	Num -</translation>
    </message>
    <message>
        <source>&amp;Fit to Window	Ctrl+0</source>
        <translation>适合窗口(&amp;F)	Ctrl+0</translation>
    </message>
    <message>
        <source>&amp;Actual Size	Ctrl+1</source>
        <translation>实际大小(&amp;A)	Ctrl+1</translation>
    </message>
    <message>
        <source>&amp;Font...	Ctrl+B</source>
        <translation>字体(&amp;F)...	Ctrl+B</translation>
    </message>
    <message>
        <source>&amp;Rectangle Select	Ctrl+M</source>
        <translation>矩形选择工具(&amp;R)	Ctrl+M</translation>
    </message>
    <message>
        <source>&amp;Ellipse Select	Alt+E</source>
        <translation>椭圆选择工具(&amp;E)	Alt+E</translation>
    </message>
    <message>
        <source>&amp;Lasso Select	Ctrl+U</source>
        <translation>套索选择工具(&amp;L)	Ctrl+U</translation>
    </message>
    <message>
        <source>&amp;Hue Select	Alt+H</source>
        <translation>色调选择工具(&amp;H)	Alt+H</translation>
    </message>
    <message>
        <source>&amp;Pencil	Ctrl+P</source>
        <translation>铅笔工具(&amp;P)	Ctrl+P</translation>
    </message>
    <message>
        <source>Eras&amp;er	Alt+D</source>
        <translation>橡皮擦(&amp;E)	Alt+D</translation>
    </message>
    <message>
        <source>&amp;Fill	Ctrl+Q</source>
        <translation>填充(&amp;F)	Ctrl+Q</translation>
    </message>
    <message>
        <source>&amp;Colour Picker	Ctrl+G</source>
        <translation>取色器(&amp;C)	Ctrl+G</translation>
    </message>
    <message>
        <source>&amp;Blur Brush	Alt+B</source>
        <translation>模糊画笔(&amp;B)	Alt+B</translation>
    </message>
    <message>
        <source>&amp;Text	Ctrl+T</source>
        <translation>文本(&amp;T)	Ctrl+T</translation>
    </message>
    <message>
        <source>&amp;Line	Ctrl+L</source>
        <translation>直线(&amp;L)	Ctrl+L</translation>
    </message>
    <message>
        <source>Rec&amp;tangle	Ctrl+R</source>
        <translation>矩形(&amp;T)	Ctrl+R</translation>
    </message>
    <message>
        <source>Filled Rectan&amp;gle	Ctrl+F</source>
        <translation>填充矩形(&amp;G)	Ctrl+F</translation>
    </message>
    <message>
        <source>Elli&amp;pse	Ctrl+E</source>
        <translation>椭圆(&amp;P)	Ctrl+E</translation>
    </message>
    <message>
        <source>Filled Ellipse	Ctrl+D</source>
        <translation>填充椭圆	Ctrl+D</translation>
    </message>
    <message>
        <source>S&amp;wap Colours	Alt+X</source>
        <translation>交换颜色(&amp;W)	Alt+X</translation>
    </message>
    <message>
        <source>Flip Vertical</source>
        <translation>垂直翻转</translation>
    </message>
    <message>
        <source>Flip Horizontal</source>
        <translation>水平翻转</translation>
    </message>
    <message>
        <source>Rotate Left</source>
        <translation>向左旋转</translation>
    </message>
    <message>
        <source>Rotate Right</source>
        <translation>向右旋转</translation>
    </message>
    <message>
        <source>Rotate by Angle...</source>
        <translation>旋转角度...</translation>
    </message>
    <message>
        <source>Move Left	Left Arrow</source>
        <translation>左移	Left Arrow</translation>
    </message>
    <message>
        <source>Move Right	Right Arrow</source>
        <translation>右移	Right Arrow</translation>
    </message>
    <message>
        <source>Move Up	Up Arrow</source>
        <translation>上移	Up Arrow</translation>
    </message>
    <message>
        <source>Move Down	Down Arrow</source>
        <translation>下移	Down Arrow</translation>
    </message>
    <message>
        <source>Convert Image...</source>
        <translation>转换图像...</translation>
    </message>
    <message>
        <source>Resi&amp;ze Image...</source>
        <translation>调整图像大小(&amp;Z)...</translation>
    </message>
    <message>
        <source>Can&amp;vas Size...</source>
        <translation>画布大小(&amp;V)...</translation>
    </message>
    <message>
        <source>Adjust Brightness... (&amp;B)</source>
        <translation>调整亮度... (&amp;B)</translation>
    </message>
    <message>
        <source>Adjust Contrast(&amp;C)...</source>
        <translation>调整对比度(&amp;C)...</translation>
    </message>
    <message>
        <source>Adjust Saturation(&amp;H)...</source>
        <translation>调整饱和度(&amp;H)...</translation>
    </message>
    <message>
        <source>Blur &amp;Settings...</source>
        <translation>模糊设置(&amp;S)...</translation>
    </message>
    <message>
        <source>B&amp;lur Image</source>
        <translation>模糊图像(&amp;L)</translation>
    </message>
    <message>
        <source>&amp;Invert Colours</source>
        <translation>&amp;倒置颜色</translation>
    </message>
    <message>
        <source>&amp;Greyscale</source>
        <translation>&amp;灰度色标</translation>
    </message>
    <message>
        <source>Sharpen</source>
        <translation>锐化</translation>
    </message>
    <message>
        <source>Emboss</source>
        <translation>浮雕效果</translation>
    </message>
    <message>
        <source>&amp;New Window</source>
        <translation>新建窗口(&amp;N)</translation>
    </message>
    <message>
        <source>&amp;Cascade</source>
        <translation>层叠(&amp;C)</translation>
    </message>
    <message>
        <source>&amp;Tile</source>
        <translation>平铺(&amp;T)</translation>
    </message>
    <message>
        <source>&amp;Arrange Icons</source>
        <translation>排列图标(&amp;A)</translation>
    </message>
    <message>
        <source>&amp;Help Topics</source>
        <translation>帮助主题(&amp;H)</translation>
    </message>
    <message>
        <source>&amp;About Vantrel...</source>
        <translation>关于 Vantrel(&amp;A)...</translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation>文件(&amp;F)</translation>
    </message>
    <message>
        <source>&amp;Edit</source>
        <translation>编辑(&amp;E)</translation>
    </message>
    <message>
        <source>&amp;View</source>
        <translation>查看(&amp;V)</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>帮助(&amp;H)</translation>
    </message>
    <message>
        <source>Te&amp;xt</source>
        <translation>文本(&amp;X)</translation>
    </message>
    <message>
        <source>&amp;Tools</source>
        <translation>工具(&amp;T)</translation>
    </message>
    <message>
        <source>Effe&amp;cts</source>
        <translation>效果(&amp;C)</translation>
    </message>
    <message>
        <source>&amp;Window</source>
        <translation>窗口(&amp;W)</translation>
    </message>
    <message>
        <source>Pencil Size 1</source>
        <translation>铅笔尺寸 1</translation>
    </message>
    <message>
        <source>Pencil Size 2</source>
        <translation>铅笔尺寸 2</translation>
    </message>
    <message>
        <source>Pencil Size 3</source>
        <translation>铅笔尺寸 3</translation>
    </message>
    <message>
        <source>Pencil Size 4</source>
        <translation>铅笔尺寸 4</translation>
    </message>
    <message>
        <source>Eraser Size 1</source>
        <translation>橡皮擦尺寸 1</translation>
    </message>
    <message>
        <source>Eraser Size 2</source>
        <translation>橡皮擦尺寸 2</translation>
    </message>
    <message>
        <source>Eraser Size 3</source>
        <translation>橡皮擦尺寸 3</translation>
    </message>
    <message>
        <source>Eraser Size 4</source>
        <translation>橡皮擦尺寸 4</translation>
    </message>
    <message>
        <source>Line Width 1</source>
        <translation>线宽 1</translation>
    </message>
    <message>
        <source>Line Width 2</source>
        <translation>线宽 2</translation>
    </message>
    <message>
        <source>Line Width 3</source>
        <translation>线宽 3</translation>
    </message>
    <message>
        <source>Line Width 4</source>
        <translation>线宽 4</translation>
    </message>
</context>
<context>
    <name>Prompt</name>
    <message>
        <source>Create a new image
New</source>
        <translation>新建图像
新建</translation>
    </message>
    <message>
        <source>Open an existing image
Open</source>
        <translation>打开现有图像
打开</translation>
    </message>
    <message>
        <source>Close the active image
Close</source>
        <translation>关闭当前图像
关闭</translation>
    </message>
    <message>
        <source>Save the active image
Save</source>
        <translation>保存当前图像
保存</translation>
    </message>
    <message>
        <source>Save the active image under a new name
Save As</source>
        <translation>用新名称保存当前图像
另存为</translation>
    </message>
    <message>
        <source>Undo the last action
Undo</source>
        <translation>撤消上一次操作
撤消</translation>
    </message>
    <message>
        <source>Redo the previously undone action
Redo</source>
        <translation>重做上次撤消的操作
重做</translation>
    </message>
    <message>
        <source>Show or hide the Tools bar
Tools bar</source>
        <translation>显示或隐藏工具条
工具条</translation>
    </message>
    <message>
        <source>Show or hide the Effects bar
Effects bar</source>
        <translation>显示或隐藏效果条
效果条</translation>
    </message>
    <message>
        <source>Show or hide the colour bar
Colour bar</source>
        <translation>显示或隐藏颜色条
颜色条</translation>
    </message>
    <message>
        <source>Zoom in
Zoom in</source>
        <translation>放大
放大</translation>
    </message>
    <message>
        <source>Zoom out
Zoom out</source>
        <translation>缩小
缩小</translation>
    </message>
    <message>
        <source>Zoom so that the whole image fits the window
Fit to window</source>
        <translation>缩放到整幅图像适合窗口
适合窗口</translation>
    </message>
    <message>
        <source>Show the image at 100 %
Actual size</source>
        <translation>按 100% 显示图像
实际大小</translation>
    </message>
    <message>
        <source>Rectangle select tool
Rectangle select tool</source>
        <translation>矩形选择工具
矩形选择工具</translation>
    </message>
    <message>
        <source>Ellipse select tool
Ellipse select tool</source>
        <translation>椭圆选择工具
椭圆选择工具</translation>
    </message>
    <message>
        <source>Lasso select tool
Lasso select tool</source>
        <translation>套索选择工具
套索选择工具</translation>
    </message>
    <message>
        <source>Hue select tool
Hue select tool</source>
        <translation>色调选择工具
色调选择工具</translation>
    </message>
    <message>
        <source>Pencil tool
Pencil tool</source>
        <translation>铅笔工具
铅笔工具</translation>
    </message>
    <message>
        <source>Eraser tool
Eraser tool</source>
        <translation>橡皮擦工具
橡皮擦工具</translation>
    </message>
    <message>
        <source>Fill tool
Fill tool</source>
        <translation>填充工具
填充工具</translation>
    </message>
    <message>
        <source>Colour picker tool
Colour picker tool</source>
        <translation>取色工具
取色工具</translation>
    </message>
    <message>
        <source>Blur brush tool
Blur brush tool</source>
        <translation>模糊画笔工具
模糊画笔工具</translation>
    </message>
    <message>
        <source>Text tool
Text tool</source>
        <translation>文本工具
文本工具</translation>
    </message>
    <message>
        <source>Line tool
Line tool</source>
        <translation>直线工具
直线工具</translation>
    </message>
    <message>
        <source>Rectangle tool
Rectangle tool</source>
        <translation>矩形工具
矩形工具</translation>
    </message>
    <message>
        <source>Filled rectangle tool
Filled rectangle tool</source>
        <translation>填充矩形工具
填充矩形工具</translation>
    </message>
    <message>
        <source>Ellipse tool
Ellipse tool</source>
        <translation>椭圆工具
椭圆工具</translation>
    </message>
    <message>
        <source>Filled ellipse tool
Filled ellipse tool</source>
        <translation>填充椭圆工具
填充椭圆工具</translation>
    </message>
    <message>
        <source>Swap the fore and back colours
Swap colours</source>
        <translation>交换前景色和背景色
交换颜色</translation>
    </message>
    <message>
        <source>Flip vertically
Flip vertical</source>
        <translation>垂直翻转
垂直翻转</translation>
    </message>
    <message>
        <source>Flip horizontally
Flip horizontal</source>
        <translation>水平翻转
水平翻转</translation>
    </message>
    <message>
        <source>Rotate a quarter turn to the left
Rotate left</source>
        <translation>向左旋转
向左旋转</translation>
    </message>
    <message>
        <source>Rotate a quarter turn to the right
Rotate right</source>
        <translation>向右旋转
向右旋转</translation>
    </message>
    <message>
        <source>Change the size of the image, scaling its pixels
Resize image</source>
        <translation>更改图像大小并缩放其像素
调整图像大小</translation>
    </message>
    <message>
        <source>Change the size of the canvas, keeping the pixels
Canvas size</source>
        <translation>更改画布大小，像素保持不变
画布大小</translation>
    </message>
    <message>
        <source>Move one pixel left
Move left</source>
        <translation>左移一个像素
左移</translation>
    </message>
    <message>
        <source>Move one pixel right
Move right</source>
        <translation>右移一个像素
右移</translation>
    </message>
    <message>
        <source>Move one pixel up
Move up</source>
        <translation>上移一个像素
上移</translation>
    </message>
    <message>
        <source>Move one pixel down
Move down</source>
        <translation>下移一个像素
下移</translation>
    </message>
    <message>
        <source>Smallest round pencil
Pencil size 1</source>
        <translation>最小圆形铅笔
铅笔尺寸 1</translation>
    </message>
    <message>
        <source>Small round pencil
Pencil size 2</source>
        <translation>小圆形铅笔
铅笔尺寸 2</translation>
    </message>
    <message>
        <source>Large round pencil
Pencil size 3</source>
        <translation>大圆形铅笔
铅笔尺寸 3</translation>
    </message>
    <message>
        <source>Largest round pencil
Pencil size 4</source>
        <translation>最大圆形铅笔
铅笔尺寸 4</translation>
    </message>
    <message>
        <source>Smallest square eraser
Eraser size 1</source>
        <translation>最小方形橡皮擦
橡皮擦尺寸 1</translation>
    </message>
    <message>
        <source>Small square eraser
Eraser size 2</source>
        <translation>小方形橡皮擦
橡皮擦尺寸 2</translation>
    </message>
    <message>
        <source>Large square eraser
Eraser size 3</source>
        <translation>大方形橡皮擦
橡皮擦尺寸 3</translation>
    </message>
    <message>
        <source>Largest square eraser
Eraser size 4</source>
        <translation>最大方形橡皮擦
橡皮擦尺寸 4</translation>
    </message>
    <message>
        <source>Thinnest line
Line width 1</source>
        <translation>最细线条
线宽 1</translation>
    </message>
    <message>
        <source>Thin line
Line width 2</source>
        <translation>细线条
线宽 2</translation>
    </message>
    <message>
        <source>Thick line
Line width 3</source>
        <translation>粗线条
线宽 3</translation>
    </message>
    <message>
        <source>Thickest line
Line width 4</source>
        <translation>最粗线条
线宽 4</translation>
    </message>
</context>
<context>
    <name>vantrel::CAboutDlg</name>
    <message>
        <source>About Vantrel</source>
        <translation>关于 Vantrel</translation>
    </message>
</context>
<context>
    <name>vantrel::CAdjustBrightnessDlg</name>
    <message>
        <source>Adjust Brightness</source>
        <translation>调整亮度</translation>
    </message>
    <message>
        <source>Red:</source>
        <translation>红色:</translation>
    </message>
    <message>
        <source>Green:</source>
        <translation>绿色:</translation>
    </message>
    <message>
        <source>Blue:</source>
        <translation>蓝色:</translation>
    </message>
</context>
<context>
    <name>vantrel::CAdjustContrastDlg</name>
    <message>
        <source>Adjust Contrast</source>
        <translation>调整对比度</translation>
    </message>
    <message>
        <source>Red:</source>
        <translation>红色:</translation>
    </message>
    <message>
        <source>Green:</source>
        <translation>绿色:</translation>
    </message>
    <message>
        <source>Blue:</source>
        <translation>蓝色:</translation>
    </message>
</context>
<context>
    <name>vantrel::CAdjustDlg</name>
    <message>
        <source>Lock</source>
        <translation>锁定</translation>
    </message>
    <message>
        <source>Apply</source>
        <translation>应用</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>取消</translation>
    </message>
</context>
<context>
    <name>vantrel::CAdjustHSBDlg</name>
    <message>
        <source>Adjust Saturation</source>
        <translation>调整饱和度</translation>
    </message>
    <message>
        <source>Hue:</source>
        <translation>色调:</translation>
    </message>
    <message>
        <source>Saturation:</source>
        <translation>饱和度:</translation>
    </message>
    <message>
        <source>Brightness:</source>
        <translation>亮度:</translation>
    </message>
</context>
<context>
    <name>vantrel::CBlurDlg</name>
    <message>
        <source>Set Blur</source>
        <translation>设置模糊</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>确定</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>取消</translation>
    </message>
    <message>
        <source>Size:</source>
        <translation>尺寸:</translation>
    </message>
</context>
<context>
    <name>vantrel::CColorBar</name>
    <message>
        <source>Opacity:</source>
        <translation>透明度:</translation>
    </message>
</context>
<context>
    <name>vantrel::CFileAssociatesDlg</name>
    <message>
        <source>File Associations</source>
        <translation>文件副本</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>确定</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>取消</translation>
    </message>
</context>
<context>
    <name>vantrel::CImageDlg</name>
    <message>
        <source>New Image Type</source>
        <translation>新的图像类型</translation>
    </message>
    <message>
        <source>Colour</source>
        <translation>颜色</translation>
    </message>
    <message>
        <source>Monochrome</source>
        <translation>单色</translation>
    </message>
    <message>
        <source>16 Colours</source>
        <translation>16位颜色</translation>
    </message>
    <message>
        <source>256 Colours</source>
        <translation>256位颜色</translation>
    </message>
    <message>
        <source>True Colour</source>
        <translation>真彩色</translation>
    </message>
    <message>
        <source>32-bit Colour</source>
        <translation>32位颜色</translation>
    </message>
    <message>
        <source>Stretch</source>
        <translation>拉伸</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>确定</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>取消</translation>
    </message>
    <message>
        <source>Width:</source>
        <translation>宽度:</translation>
    </message>
    <message>
        <source>Height:</source>
        <translation>高度:</translation>
    </message>
</context>
<context>
    <name>vantrel::CMainFrame</name>
    <message>
        <source>Ready</source>
        <translation>就绪</translation>
    </message>
    <message>
        <source>Colour range tolerance</source>
        <translation>颜色范围容差</translation>
    </message>
    <message>
        <source>No scanner is chosen. Choose one with File &gt; TWAIN Settings.</source>
        <translation>未选择扫描仪。请用“文件 &gt; TWAIN 设置”选择一个。</translation>
    </message>
    <message>
        <source>Cannot write %1: %2</source>
        <translation>无法写入 %1：%2</translation>
    </message>
</context>
<context>
    <name>vantrel::CPreviewFileDialog</name>
    <message>
        <source>Preview</source>
        <translation>预览</translation>
    </message>
</context>
<context>
    <name>vantrel::CSizeDlg</name>
    <message>
        <source>New Image</source>
        <translation>新建图像</translation>
    </message>
    <message>
        <source>Width:</source>
        <translation>宽度:</translation>
    </message>
    <message>
        <source>Height:</source>
        <translation>高度:</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>确定</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>取消</translation>
    </message>
</context>
<context>
    <name>vantrel::CTwainSourcesDlg</name>
    <message>
        <source>Select TWAIN or Video Source</source>
        <translation>选择 TWAIN 或影像来源</translation>
    </message>
    <message>
        <source>Scanning</source>
        <translation>扫描</translation>
    </message>
    <message>
        <source>Camera</source>
        <translation>摄像</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>确定</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>取消</translation>
    </message>
</context>
<context>
    <name>vantrel::CWebCameraDlg</name>
    <message>
        <source>Web Camera</source>
        <translation>网络摄像头</translation>
    </message>
    <message>
        <source>Freeze</source>
        <translation>固定</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>保存或退出</translation>
    </message>
    <message>
        <source>Exit</source>
        <translation>退出</translation>
    </message>
    <message>
        <source>Video Settings</source>
        <translation>设定视频</translation>
    </message>
    <message>
        <source>Capture Format...</source>
        <translation>个人识别码</translation>
    </message>
    <message>
        <source>Device Settings...</source>
        <translation>过滤器</translation>
    </message>
    <message>
        <source>UnFreeze</source>
        <translation>取消固定</translation>
    </message>
    <message>
        <source>No picture has come from the camera yet.</source>
        <translation>摄像头还没有送来画面。</translation>
    </message>
    <message>
        <source>Cannot write %1</source>
        <translation>无法写入 %1</translation>
    </message>
    <message>
        <source>Capture Format</source>
        <translation>捕获格式</translation>
    </message>
    <message>
        <source>, %1 frames a second</source>
        <translation>，每秒 %1 帧</translation>
    </message>
    <message>
        <source>Device Settings</source>
        <translation>设备设置</translation>
    </message>
    <message>
        <source>This camera offers no settings.</source>
        <translation>此摄像头没有可调的设置。</translation>
    </message>
</context>
<context>
    <name>vantrel::ScanProgress</name>
    <message>
        <source>Scanning with %1...</source>
        <translation>正在用 %1 扫描...</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>取消</translation>
    </message>
</context>
<context>
    <name>vantrel::CVantrelApp</name>
    <message>
        <source>Bitmap</source>
        <translation>位图</translation>
    </message>
    <message>
        <source>These recovered images could not be read and were removed:

%1</source>
        <translation>以下恢复的图像无法读取，已被删除：

%1</translation>
    </message>
</context>
<context>
    <name>vantrel::CVantrelDoc</name>
    <message>
        <source>Save changes to %1?</source>
        <translation>要保存更改到 %1 吗？</translation>
    </message>
    <message>
        <source>Vantrel Files (*.bmp,*.png,*.gif,*.jpg)</source>
        <translation>Vantrel 文件 (*.bmp,*.png,*.gif,*.jpg)</translation>
    </message>
</context>
<context>
    <name>vantrel::DialogPrompt</name>
    <message>
        <source>Vantrel did not close properly. These images had unsaved changes:

%1

Restore them? Images not restored are discarded.</source>
        <translation>Vantrel 上次未正常关闭。以下图像有未保存的更改：

%1

要恢复它们吗？未恢复的图像将被丢弃。</translation>
    </message>
</context>
<context>
    <name>vantrel::RecoveryStore</name>
    <message>
        <source>not enough memory</source>
        <translation>内存不足</translation>
    </message>
    <message>
        <source>it was not written completely</source>
        <translation>它未被完整写入</translation>
    </message>
    <message>
        <source>its record is damaged</source>
        <translation>它的记录已损坏</translation>
    </message>
    <message>
        <source>its picture is missing</source>
        <translation>它的图像丢失</translation>
    </message>
    <message>
        <source>the picture does not match its record</source>
        <translation>图像与其记录不符</translation>
    </message>
    <message>
        <source>the picture has the wrong pixel format</source>
        <translation>图像的像素格式不正确</translation>
    </message>
</context>
<context>
    <name>vantrel::CCanvasDlg</name>
    <message>
        <source>Canvas Size</source>
        <translation>画布大小</translation>
    </message>
    <message>
        <source> px</source>
        <translation> 像素</translation>
    </message>
    <message>
        <source>Anchor</source>
        <translation>定位</translation>
    </message>
    <message>
        <source>Top left</source>
        <translation>左上</translation>
    </message>
    <message>
        <source>Top</source>
        <translation>上</translation>
    </message>
    <message>
        <source>Top right</source>
        <translation>右上</translation>
    </message>
    <message>
        <source>Left</source>
        <translation>左</translation>
    </message>
    <message>
        <source>Centre</source>
        <translation>居中</translation>
    </message>
    <message>
        <source>Right</source>
        <translation>右</translation>
    </message>
    <message>
        <source>Bottom left</source>
        <translation>左下</translation>
    </message>
    <message>
        <source>Bottom</source>
        <translation>下</translation>
    </message>
    <message>
        <source>Bottom right</source>
        <translation>右下</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>确定</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>取消</translation>
    </message>
    <message>
        <source>Width:</source>
        <translation>宽度:</translation>
    </message>
    <message>
        <source>Height:</source>
        <translation>高度:</translation>
    </message>
</context>
<context>
    <name>vantrel::CResizeDlg</name>
    <message>
        <source>Width and height must be from 1 to 65535 pixels, and the image at most 268,435,456 pixels.</source>
        <translation>宽度和高度必须在 1 到 65535 像素之间，且图像总像素数不超过 268,435,456。</translation>
    </message>
    <message>
        <source>Resize Image</source>
        <translation>调整图像大小</translation>
    </message>
    <message>
        <source>Pixels</source>
        <translation>像素</translation>
    </message>
    <message>
        <source>Percent</source>
        <translation>百分比</translation>
    </message>
    <message>
        <source>Keep aspect ratio</source>
        <translation>保持纵横比</translation>
    </message>
    <message>
        <source>Nearest neighbour</source>
        <translation>最近邻</translation>
    </message>
    <message>
        <source>Bilinear</source>
        <translation>双线性</translation>
    </message>
    <message>
        <source>High quality</source>
        <translation>高质量</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>确定</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>取消</translation>
    </message>
    <message>
        <source>Width:</source>
        <translation>宽度:</translation>
    </message>
    <message>
        <source>Height:</source>
        <translation>高度:</translation>
    </message>
    <message>
        <source>Unit:</source>
        <translation>单位:</translation>
    </message>
    <message>
        <source>Resampling:</source>
        <translation>重采样:</translation>
    </message>
</context>
<context>
    <name>vantrel::CRotateDlg</name>
    <message>
        <source>Rotate by Angle</source>
        <translation>旋转角度</translation>
    </message>
    <message>
        <source>Angle:</source>
        <translation>角度:</translation>
    </message>
    <message>
        <source>Positive angles turn the image counter-clockwise.</source>
        <translation>正角度使图像逆时针旋转。</translation>
    </message>
    <message>
        <source>Apply</source>
        <translation>应用</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>取消</translation>
    </message>
</context>
<context>
    <name>vantrel::CSaveOptionsDlg</name>
    <message>
        <source>WebP Options</source>
        <translation>WebP 选项</translation>
    </message>
    <message>
        <source>Lossless</source>
        <translation>无损</translation>
    </message>
    <message>
        <source>Quality:</source>
        <translation>质量:</translation>
    </message>
    <message>
        <source>TIFF Options</source>
        <translation>TIFF 选项</translation>
    </message>
    <message>
        <source>None</source>
        <translation>无</translation>
    </message>
    <message>
        <source>LZW</source>
        <translation>LZW</translation>
    </message>
    <message>
        <source>Compression:</source>
        <translation>压缩:</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>确定</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>取消</translation>
    </message>
</context>
</TS>
