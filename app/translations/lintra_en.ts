<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<!-- English texts of Lintra. The Chinese texts of the sources are the source texts;
     every text is in the one context "Lintra" (see app/translations.h). -->
<TS version="2.1" language="en_US" sourcelanguage="zh_CN">
<context>
    <name>Lintra</name>
    <message>
        <source>文件(&amp;F)</source>
        <translation>&amp;File</translation>
    </message>
    <message>
        <source>编辑(&amp;E)</source>
        <translation>&amp;Edit</translation>
    </message>
    <message>
        <source>视图(&amp;V)</source>
        <translation>&amp;View</translation>
    </message>
    <message>
        <source>处理第一步(&amp;F)</source>
        <translation>Step &amp;1</translation>
    </message>
    <message>
        <source>处理第二步(S&amp;)</source>
        <translation>Step &amp;2</translation>
    </message>
    <message>
        <source>处理第三步(T&amp;)</source>
        <translation>Step &amp;3</translation>
    </message>
    <message>
        <source>处理第四步(&amp;F)</source>
        <translation>Step &amp;4</translation>
    </message>
    <message>
        <source>帮助(&amp;H)</source>
        <translation>&amp;Help</translation>
    </message>
    <message>
        <source>打开...	Ctrl+O(&amp;O)</source>
        <translation>&amp;Open...	Ctrl+O</translation>
    </message>
    <message>
        <source>保存	Ctrl+S(&amp;S)</source>
        <translation>&amp;Save	Ctrl+S</translation>
    </message>
    <message>
        <source>初步处理1</source>
        <translation>Edges 1 (Sobel)</translation>
    </message>
    <message>
        <source>初步处理2</source>
        <translation>Edges 2 (Roberts)</translation>
    </message>
    <message>
        <source>初步处理3</source>
        <translation>Edges 3 (Prewitt)</translation>
    </message>
    <message>
        <source>初步处理4</source>
        <translation>Edges 4 (Kirsch)</translation>
    </message>
    <message>
        <source>初步处理5</source>
        <translation>Edges 5 (Gauss-Laplace)</translation>
    </message>
    <message>
        <source>初步处理6</source>
        <translation>Edges 6 (gradient)</translation>
    </message>
    <message>
        <source>图像黑白化1</source>
        <translation>Black and White 1 (gradient)</translation>
    </message>
    <message>
        <source>图像黑白化2</source>
        <translation>Black and White 2 (threshold)</translation>
    </message>
    <message>
        <source>图像黑白化3</source>
        <translation>Black and White 3 (iterative)</translation>
    </message>
    <message>
        <source>参数调整1</source>
        <translation>Adjust Parameter 1</translation>
    </message>
    <message>
        <source>参数调整2</source>
        <translation>Adjust Parameter 2</translation>
    </message>
    <message>
        <source>黑白反色</source>
        <translation>Invert Black and White</translation>
    </message>
    <message>
        <source>消除黑白点</source>
        <translation>Remove Black and White Points</translation>
    </message>
    <message>
        <source>细化图像</source>
        <translation>Thin</translation>
    </message>
    <message>
        <source>提取轮廓1</source>
        <translation>Extract Contour 1</translation>
    </message>
    <message>
        <source>提取轮廓2</source>
        <translation>Extract Contour 2</translation>
    </message>
    <message>
        <source>提取最外面轮廓</source>
        <translation>Extract Outermost Contour</translation>
    </message>
    <message>
        <source>去掉短枝</source>
        <translation>Remove Short Branches</translation>
    </message>
    <message>
        <source>去除小黑团</source>
        <translation>Remove Small Black Blobs</translation>
    </message>
    <message>
        <source>消除孤立点</source>
        <translation>Remove Isolated Points</translation>
    </message>
    <message>
        <source>使边框为白</source>
        <translation>Make Border White</translation>
    </message>
    <message>
        <source>矢量化1</source>
        <translation>Vectorise 1</translation>
    </message>
    <message>
        <source>矢量化2</source>
        <translation>Vectorise 2</translation>
    </message>
    <message>
        <source>输出CAD格式文件(.dxf)</source>
        <translation>Export CAD File (.dxf)</translation>
    </message>
    <message>
        <source>还原至原图</source>
        <translation>Restore Original</translation>
    </message>
    <message>
        <source>还原到上幅图</source>
        <translation>Restore Previous</translation>
    </message>
    <message>
        <source>显示位图</source>
        <translation>Show Bitmap</translation>
    </message>
    <message>
        <source>显示矢量图</source>
        <translation>Show Vectors</translation>
    </message>
    <message>
        <source>打印(&amp;P)...</source>
        <translation>&amp;Print...</translation>
    </message>
    <message>
        <source>打印预览(&amp;V)</source>
        <translation>Print Pre&amp;view</translation>
    </message>
    <message>
        <source>打印设置(&amp;R)...</source>
        <translation>P&amp;rint Setup...</translation>
    </message>
    <message>
        <source>退出(&amp;X)</source>
        <translation>E&amp;xit</translation>
    </message>
    <message>
        <source>工具栏(&amp;T)</source>
        <translation>&amp;Toolbar</translation>
    </message>
    <message>
        <source>状态栏(&amp;S)</source>
        <translation>&amp;Status Bar</translation>
    </message>
    <message>
        <source>关于此软件</source>
        <translation>About This Program</translation>
    </message>
    <message>
        <source>打开一个现有文档
打开</source>
        <translation>Open an existing document
Open</translation>
    </message>
    <message>
        <source>保存活动文档
保存</source>
        <translation>Save the active document
Save</translation>
    </message>
    <message>
        <source>还原到未修改时
还原到未修改时</source>
        <translation>Restore the picture as opened
Restore original</translation>
    </message>
    <message>
        <source>还原至上一幅图
还原至上一幅图</source>
        <translation>Restore the previous picture
Restore previous</translation>
    </message>
    <message>
        <source>建立新文档
新建</source>
        <translation>Create a new document
New</translation>
    </message>
    <message>
        <source>打印活动文档
打印</source>
        <translation>Print the active document
Print</translation>
    </message>
    <message>
        <source>使用当前选项打印活动文档
快速打印</source>
        <translation>Print the active document with the current options
Quick print</translation>
    </message>
    <message>
        <source>显示整页
打印预览</source>
        <translation>Show full pages
Print preview</translation>
    </message>
    <message>
        <source>改变打印机及打印选项
页面设置</source>
        <translation>Change the printer and printing options
Page setup</translation>
    </message>
    <message>
        <source>退出应用程序；提示保存文档
退出</source>
        <translation>Quit the application; prompts to save documents
Exit</translation>
    </message>
    <message>
        <source>显示或隐藏工具栏
显隐工具栏</source>
        <translation>Show or hide the toolbar
Toggle toolbar</translation>
    </message>
    <message>
        <source>显示或隐藏状态栏
显隐状态栏</source>
        <translation>Show or hide the status bar
Toggle status bar</translation>
    </message>
    <message>
        <source>显示程序信息、版本号和版权
关于</source>
        <translation>Show program information, version number and copyright
About</translation>
    </message>
    <message>
        <source>打开失败,位图文件不完整,缺少信息头!</source>
        <translation>Open failed: the bitmap file is incomplete, its info header is missing!</translation>
    </message>
    <message>
        <source>打开失败,不支持这种位图格式(信息头不足40字节)!</source>
        <translation>Open failed: this bitmap format is not supported (info header shorter than 40 bytes)!</translation>
    </message>
    <message>
        <source>打开失败,位图的宽度或高度无效!</source>
        <translation>Open failed: the bitmap's width or height is invalid!</translation>
    </message>
    <message>
        <source>打开失败,位图太大!</source>
        <translation>Open failed: the bitmap is too large!</translation>
    </message>
    <message>
        <source>打开失败,位图的颜色表超过256项!</source>
        <translation>Open failed: the bitmap's colour table has more than 256 entries!</translation>
    </message>
    <message>
        <source>打开失败,位图文件不完整,缺少颜色表!</source>
        <translation>Open failed: the bitmap file is incomplete, its colour table is missing!</translation>
    </message>
    <message>
        <source>打开失败,位图文件不完整,缺少像素数据!</source>
        <translation>Open failed: the bitmap file is incomplete, its pixel data is missing!</translation>
    </message>
    <message>
        <source>打开失败,不支持这种压缩方式,只支持未压缩或RLE8压缩的位图!</source>
        <translation>Open failed: this compression is not supported; only uncompressed or RLE8 bitmaps are!</translation>
    </message>
    <message>
        <source>打开失败,位图的RLE8压缩数据已损坏!</source>
        <translation>Open failed: the bitmap's RLE8 data is damaged!</translation>
    </message>
    <message>
        <source>打开失败,内存不足!</source>
        <translation>Open failed: not enough memory!</translation>
    </message>
    <message>
        <source>打开失败,程序只支持8位或24位位图!</source>
        <translation>Open failed: the program supports only 8-bit or 24-bit bitmaps!</translation>
    </message>
    <message>
        <source>打开失败,运行Palettor.exe失败,请检查是否有Palettor.exe文件!</source>
        <translation>Open failed: Palettor could not be run; check that the Palettor program is present!</translation>
    </message>
    <message>
        <source>有孤立点存在</source>
        <translation>There is an isolated point</translation>
    </message>
    <message>
        <source>此轮廓为空</source>
        <translation>This contour is empty</translation>
    </message>
    <message>
        <source>位图文件(*.BMP)</source>
        <translation>Bitmap files (*.BMP)</translation>
    </message>
    <message>
        <source>AutoCAD文件(*.dxf)</source>
        <translation>AutoCAD files (*.dxf)</translation>
    </message>
    <message>
        <source>关于</source>
        <translation>About </translation>
    </message>
    <message>
        <source>更新时间:2008.1.27</source>
        <translation>Updated: 2008.1.27</translation>
    </message>
    <message>
        <source>作者</source>
        <translation>Author</translation>
    </message>
    <message>
        <source>主页</source>
        <translation>Home page</translation>
    </message>
    <message>
        <source>邮箱</source>
        <translation>E-mail</translation>
    </message>
    <message>
        <source>Lintra 项目组</source>
        <translation>The Lintra project</translation>
    </message>
    <message>
        <source>见随程序附带的 README.md</source>
        <translation>See the README.md that comes with the program</translation>
    </message>
    <message>
        <source>未提供</source>
        <translation>Not given</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>未知的命令：%1</source>
        <translation>Unknown command: %1</translation>
    </message>
    <message>
        <source>内存不足，操作未完成。</source>
        <translation>Not enough memory; the operation was not completed.</translation>
    </message>
    <message>
        <source>操作未完成：%1</source>
        <translation>The operation was not completed: %1</translation>
    </message>
    <message>
        <source>无标题</source>
        <translation>Untitled</translation>
    </message>
    <message>
        <source>无法打开文件 %1：文件不存在。</source>
        <translation>Cannot open the file %1: it does not exist.</translation>
    </message>
    <message>
        <source>工具栏</source>
        <translation>Toolbar</translation>
    </message>
    <message>
        <source>就绪</source>
        <translation>Ready</translation>
    </message>
    <message>
        <source>打开此文档</source>
        <translation>Open this document</translation>
    </message>
    <message>
        <source>参数调整</source>
        <translation>Adjust Parameter</translation>
    </message>
    <message>
        <source>参数范围0-255</source>
        <translation>Range 0-255</translation>
    </message>
    <message>
        <source>打印</source>
        <translation>Print</translation>
    </message>
    <message>
        <source>无法打印到 %1。</source>
        <translation>Cannot print to %1.</translation>
    </message>
    <message>
        <source>打印预览</source>
        <translation>Print Preview</translation>
    </message>
    <message>
        <source>打印设置</source>
        <translation>Print Setup</translation>
    </message>
    <message>
        <source>另存为</source>
        <translation>Save As</translation>
    </message>
    <message>
        <source>打开</source>
        <translation>Open</translation>
    </message>
    <message>
        <source>所有文件 (*)</source>
        <translation>All files (*)</translation>
    </message>
    <message>
        <source>正在运行：%1…</source>
        <translation>Running: %1…</translation>
    </message>
    <message>
        <source>Ctrl++ 放大，Ctrl+- 缩小，Ctrl+0 原始大小，Ctrl+F 适合窗口；按住中键或空格拖动</source>
        <translation>Ctrl++ zoom in, Ctrl+- zoom out, Ctrl+0 actual size, Ctrl+F fit to window; drag with the middle button or with space held</translation>
    </message>
    <message>
        <source>无法访问文件 %1：%2</source>
        <translation>Cannot access the file %1: %2</translation>
    </message>
    <message>
        <source>拟合直线、圆弧和圆</source>
        <translation>Fit lines, arcs and circles</translation>
    </message>
    <message>
        <source>纠正倾斜</source>
        <translation>Straighten skew</translation>
    </message>
    <message>
        <source>按图中长直线测出扫描的倾斜角（至多10度），把导出的图纸转正；图像本身不变</source>
        <translation>Measure the scan's skew (up to 10 degrees) from the drawing's long straight lines and turn the exported drawing upright; the picture itself is not changed</translation>
    </message>
    <message>
        <source>CAD图纸选项</source>
        <translation>CAD Drawing Options</translation>
    </message>
    <message>
        <source>像素</source>
        <translation>Pixels</translation>
    </message>
    <message>
        <source>毫米</source>
        <translation>Millimetres</translation>
    </message>
    <message>
        <source>英寸</source>
        <translation>Inches</translation>
    </message>
    <message>
        <source>用图像自身的分辨率（%1 dpi）</source>
        <translation>Use the picture&apos;s own resolution (%1 dpi)</translation>
    </message>
    <message>
        <source>图像未记录分辨率</source>
        <translation>The picture records no resolution</translation>
    </message>
    <message>
        <source>DXF R12（旧版读者）</source>
        <translation>DXF R12 (older readers)</translation>
    </message>
    <message>
        <source>单位：</source>
        <translation>Unit:</translation>
    </message>
    <message>
        <source>分辨率(dpi)：</source>
        <translation>Resolution (dpi):</translation>
    </message>
    <message>
        <source>容差(像素)：</source>
        <translation>Tolerance (pixels):</translation>
    </message>
    <message>
        <source>自动（按笔画宽度）</source>
        <translation>Automatic (from the stroke width)</translation>
    </message>
    <message>
        <source>DXF版本：</source>
        <translation>DXF version:</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>已写出%1个图元：直线%2，圆弧%3，圆%4，多段线%5；笔画宽%6像素，拟合容差%7像素</source>
        <translation>%1 entities written: %2 lines, %3 arcs, %4 circles, %5 polylines; stroke width %6 px, fit tolerance %7 px</translation>
    </message>
    <message>
        <source>已写出%1个图元：直线%2，圆弧%3，圆%4，多段线%5；笔画宽%6像素，拟合容差%7像素（图像未记录分辨率，按%8 dpi换算）</source>
        <translation>%1 entities written: %2 lines, %3 arcs, %4 circles, %5 polylines; stroke width %6 px, fit tolerance %7 px (the picture records no resolution: taken as %8 dpi)</translation>
    </message>
    <message>
        <source>输出CAD图纸(多段线、圆弧)...</source>
        <translation>Export CAD Drawing (Polylines, Arcs)...</translation>
    </message>
    <message>
        <source>输出可编辑的CAD图纸：多段线、直线、圆弧和圆
CAD图纸</source>
        <translation>Export an editable CAD drawing: polylines, lines, arcs and circles
CAD drawing</translation>
    </message>
    <message>
        <source>显示CAD图纸</source>
        <translation>Show CAD Drawing</translation>
    </message>
    <message>
        <source>在图上显示或隐藏拟合后的CAD图纸
显隐CAD图纸</source>
        <translation>Show or hide the fitted CAD drawing over the picture
Toggle CAD drawing</translation>
    </message>
    <message>
        <source>图像黑白化4(自适应)</source>
        <translation>Black and White 4 (adaptive)</translation>
    </message>
    <message>
        <source>一键矢量化...</source>
        <translation>Trace...</translation>
    </message>
    <message>
        <source>按预设从原图一步得到矢量图
一键矢量化</source>
        <translation>Trace the picture as loaded into a vector drawing by a preset
Trace</translation>
    </message>
    <message>
        <source>矢量数据来自另一幅图像,请先矢量化</source>
        <translation>The vector data comes from another picture; vectorise this one first</translation>
    </message>
    <message>
        <source>没有可输出的矢量数据,请先矢量化</source>
        <translation>There is no vector data to export; vectorise the picture first</translation>
    </message>
    <message>
        <source>无法写出CAD图纸：%1</source>
        <translation>Cannot write the CAD drawing: %1</translation>
    </message>
    <message>
        <source>%1图像(%2)</source>
        <translation>%1 pictures (%2)</translation>
    </message>
    <message>
        <source>%1 - 第%2页，共%3页</source>
        <translation>%1 - page %2 of %3</translation>
    </message>
    <message>
        <source>所有支持的图像</source>
        <translation>All supported pictures</translation>
    </message>
    <message>
        <source>AutoCAD图纸(*.dxf)</source>
        <translation>AutoCAD drawing (*.dxf)</translation>
    </message>
    <message>
        <source>SVG图形(*.svg)</source>
        <translation>SVG graphics (*.svg)</translation>
    </message>
    <message>
        <source>打开失败,图像有%1 x %2个像素,超过了%3个像素的上限!</source>
        <translation>Open failed: the picture has %1 x %2 pixels, more than the limit of %3 pixels!</translation>
    </message>
    <message>
        <source>打开失败,%1文件已损坏或不完整: %2</source>
        <translation>Open failed: the %1 file is damaged or incomplete: %2</translation>
    </message>
    <message>
        <source>打开失败,不支持这种%1图像: %2</source>
        <translation>Open failed: this kind of %1 picture is not supported: %2</translation>
    </message>
    <message>
        <source>打开失败,TIFF文件只有%1页,没有第%2页!</source>
        <translation>Open failed: the TIFF file has only %1 pages, there is no page %2!</translation>
    </message>
    <message>
        <source>一键矢量化</source>
        <translation>Trace</translation>
    </message>
    <message>
        <source>自动</source>
        <translation>Automatic</translation>
    </message>
    <message>
        <source>自动（%1）</source>
        <translation>Automatic (%1)</translation>
    </message>
    <message>
        <source>线条图（中心线）</source>
        <translation>Line drawing (centre lines)</translation>
    </message>
    <message>
        <source>扫描件或照片（中心线）</source>
        <translation>Scan or photo (centre lines)</translation>
    </message>
    <message>
        <source>实心图形的轮廓</source>
        <translation>Outlines of filled shapes</translation>
    </message>
    <message>
        <source>预设：</source>
        <translation>Preset:</translation>
    </message>
    <message>
        <source>阈值灵敏度：</source>
        <translation>Threshold sensitivity:</translation>
    </message>
    <message>
        <source>最小细节：</source>
        <translation>Smallest detail kept:</translation>
    </message>
    <message>
        <source>拟合容差：</source>
        <translation>Fit tolerance:</translation>
    </message>
    <message>
        <source>导出DXF/SVG...</source>
        <translation>Export DXF/SVG...</translation>
    </message>
    <message>
        <source>保留</source>
        <translation>Keep</translation>
    </message>
    <message>
        <source>0（预设）</source>
        <translation>0 (preset)</translation>
    </message>
    <message>
        <source>100%（预设）</source>
        <translation>100% (preset)</translation>
    </message>
    <message>
        <source>%1 像素</source>
        <translation>%1 px</translation>
    </message>
    <message>
        <source>计算中...</source>
        <translation>Working...</translation>
    </message>
    <message>
        <source>整页：%1 个图元，笔画宽度 %2 像素</source>
        <translation>Whole page: %1 entities, stroke width %2 px</translation>
    </message>
    <message>
        <source>可见部分：%1 个图元，笔画宽度 %2 像素，整页计算中...</source>
        <translation>Part in view: %1 entities, stroke width %2 px; the whole page follows...</translation>
    </message>
    <message>
        <source>撤销	Ctrl+Z(&amp;U)</source>
        <translation>&amp;Undo	Ctrl+Z</translation>
    </message>
    <message>
        <source>重做	Ctrl+Y(&amp;R)</source>
        <translation>&amp;Redo	Ctrl+Y</translation>
    </message>
    <message>
        <source>撤销上一步处理
撤销</source>
        <translation>Undo the last processing step
Undo</translation>
    </message>
    <message>
        <source>重做撤销的一步
重做</source>
        <translation>Redo the step undone
Redo</translation>
    </message>
    <message>
        <source>历史记录</source>
        <translation>History</translation>
    </message>
    <message>
        <source>复制为lintra-batch命令行</source>
        <translation>Copy as lintra-batch command line</translation>
    </message>
    <message>
        <source>打开的图像</source>
        <translation>Picture as opened</translation>
    </message>
    <message>
        <source>保留的最早状态</source>
        <translation>Earliest state kept</translation>
    </message>
    <message>
        <source>较早的步骤已不在历史记录中，无法写成命令行</source>
        <translation>Earlier steps are no longer in the history, so no command line can repeat them</translation>
    </message>
    <message>
        <source>：</source>
        <translation>: </translation>
    </message>
    <message>
        <source>图像已处理，是否保存处理后的图像？</source>
        <translation>The picture has been processed. Save the processed picture?</translation>
    </message>
    <message>
        <source>是(&amp;Y)</source>
        <translation>&amp;Yes</translation>
    </message>
    <message>
        <source>否(&amp;N)</source>
        <translation>&amp;No</translation>
    </message>
    <message>
        <source>%1 × %2 像素</source>
        <translation>%1 × %2 pixels</translation>
    </message>
    <message>
        <source>，%1 dpi</source>
        <translation>, %1 dpi</translation>
    </message>
    <message>
        <source>，未记录分辨率</source>
        <translation>, no resolution recorded</translation>
    </message>
    <message>
        <source>x %1，y %2 像素</source>
        <translation>x %1, y %2 px</translation>
    </message>
    <message>
        <source>（%1，%2 毫米）</source>
        <translation> (%1, %2 mm)</translation>
    </message>
    <message>
        <source>迭代阈值为%1</source>
        <translation>Iterative threshold: %1</translation>
    </message>
    <message>
        <source>迭代阈值为%1；位图已改变，当前显示的是矢量图</source>
        <translation>Iterative threshold: %1; the bitmap changed, the vector drawing is shown</translation>
    </message>
    <message>
        <source>去掉了%1处，共%2个像素</source>
        <translation>Removed %1 pieces, %2 pixels</translation>
    </message>
    <message>
        <source>去掉了%1处，共%2个像素；位图已改变，当前显示的是矢量图</source>
        <translation>Removed %1 pieces, %2 pixels; the bitmap changed, the vector drawing is shown</translation>
    </message>
    <message>
        <source>改变了%1个像素</source>
        <translation>Changed %1 pixels</translation>
    </message>
    <message>
        <source>改变了%1个像素；位图已改变，当前显示的是矢量图</source>
        <translation>Changed %1 pixels; the bitmap changed, the vector drawing is shown</translation>
    </message>
    <message>
        <source>得到%1条线段</source>
        <translation>Made %1 segments</translation>
    </message>
    <message>
        <source>已写出%1条直线</source>
        <translation>Wrote %1 lines</translation>
    </message>
    <message>
        <source>历史记录：第%1步，共%2步</source>
        <translation>History: step %1 of %2</translation>
    </message>
</context>
</TS>
