// The tool's sentences, English and Simplified Chinese side by side. The
// Chinese uses the words of the bookkeepers' own sheets (账本, 开奖, 投注,
// 结算) and of Chinese Windows (标准输入, 字节顺序标记).
#include "words/tool.h"

namespace korvane::words {
namespace {

// One row a sentence, in the order of Tool.
constexpr Row<Tool> kRows[] = {
    {Tool::AppDescription, "korvane — the Korvane worksheet functions without Excel",
     "korvane —— 无需 Excel 即可使用的 Korvane 工作表函数"},
    {Tool::MainFooter,
     "Run korvane COMMAND --help for a command's options; \"--\" ends the options.\n"
     "Exit status: 0 done; 1 a worksheet failure (#VALUE!), or a book row that could not be\n"
     "read or went without a draw; 2 a mistake in the command line, or a file or stream\n"
     "that could not be read or written.",
     "运行 korvane 命令 --help 查看该命令的选项；\"--\" 之后不再有选项。\n"
     "退出状态：0 完成；1 工作表函数出错（#VALUE!），或账本中有行无法读取或没有开奖数据；\n"
     "2 命令行有误，或文件、数据流无法读写。"},
    {Tool::RunHelp, "Run {1} --help for more information.", "运行 {1} --help 查看更多说明。"},
    {Tool::NoCommand, "no command is named {1} (the commands are {2})",
     "没有名为 {1} 的命令（命令有 {2}）"},
    {Tool::NoCommandNear, "no command is named {1}{2}", "没有名为 {1} 的命令{2}"},
    {Tool::DidYouMean, " (did you mean {1}?)", "（您是不是要输入 {1}？）"},
    {Tool::Or, " or ", " 或 "},
    {Tool::UnexpectedArgument, "unexpected argument", "多余的参数"},
    {Tool::UnexpectedArgumentNamed, "unexpected argument {1}", "多余的参数 {1}"},
    {Tool::UnknownOption, "unknown option {1}{2}", "未知选项 {1}{2}"},
    {Tool::CommandLine, "{1}", "命令行有误：{1}"},
    {Tool::MissingArgument, "{1} is required", "缺少 {1}"},
    {Tool::CannotWriteOutput, "cannot write standard output{1}", "无法写入标准输出{1}"},
    {Tool::CannotReadInput, "cannot read standard input{1}", "无法读取标准输入{1}"},
    {Tool::LabelUsage, "Usage", "用法"},
    {Tool::LabelOptions, "OPTIONS", "选项"},
    {Tool::LabelSubcommand, "COMMAND", "命令"},
    {Tool::LabelPositionals, "Positionals", "参数"},
    {Tool::LabelOptionsGroup, "Options", "选项"},
    {Tool::LabelSubcommands, "Subcommands", "命令"},
    {Tool::LabelRequired, "REQUIRED", "必需"},
    {Tool::LabelText, "TEXT", "文本"},
    {Tool::HelpFlag, "Print this help message and exit", "显示本帮助并退出"},
    {Tool::VersionFlag, "Display program version information and exit", "显示版本并退出"},
    {Tool::CallDescription, "Call one worksheet function: {1}", "调用一个工作表函数：{1}"},
    {Tool::CallDrawOption,
     "Load a draw with 验证 first, such as --draw 2013 \"05 12 18 30 41 49\" 08",
     "先用 验证 载入开奖，例如 --draw 2013 \"05 12 18 30 41 49\" 08"},
    {Tool::CallJsonOption, "Print the result in the typed encoding of korvane eval",
     "以 korvane eval 的带类型编码显示结果"},
    {Tool::CallFooter,
     "Arguments are typed as the cells of a bet book (korvane settle) are: 12.5, 1,000 and\n"
     "50% are numbers; a number written with a leading zero (08, 00) stays a text, as the\n"
     "sheets keep lottery numbers, and so does anything after a ' ('8 is the text 8);\n"
     "TRUE/FALSE are booleans, #N/A and the other error names errors, \"\" an empty cell.\n"
     "The trailing 易失 may be left out. A draw-state property (t, tt, p1, ...) may be\n"
     "named instead of a function to print it. A failing call prints #VALUE! and exits 1.\n"
     "The numbers of a draw (--draw, or 验证's own) are lottery numbers, kept as written\n"
     "(18 stays the text 18). A function that reads the draw, called without --draw,\n"
     "prints \"no draw\" and exits 1; a draw no lottery can draw (8 for 08, a number\n"
     "twice, 00, 50) is answered from, with a warning, and exits 1.",
     "参数的类型与账本（korvane settle）单元格相同：12.5、1,000 和 50% 是数字；\n"
     "以 0 开头的数字（08、00）仍是文本，与表格中保存的彩票号码一致；' 之后的内容也是文本\n"
     "（'8 是文本 8）；TRUE/FALSE 是逻辑值，#N/A 等错误名是错误值，\"\" 是空单元格。\n"
     "末尾的 易失 可以省略。可以用开奖状态属性（t、tt、p1……）代替函数名来显示其值。\n"
     "调用失败时显示 #VALUE! 并以状态 1 退出。开奖号码（--draw 或 验证 自己的）是彩票号码，\n"
     "按原样保留（18 仍是文本 18）。读取开奖的函数在没有 --draw 时显示“未开奖”并以状态 1\n"
     "退出；不可能开出的开奖（08 写成 8、号码重复、00、50）照样作答，给出警告，并以状态 1 退出。"},
    {Tool::NameAFunction, "name a function: {1}", "请给出函数名：{1}"},
    {Tool::NoFunction, "no function is named {1}{2}", "没有名为 {1} 的函数{2}"},
    {Tool::HelpListsThem, " (korvane help lists them)", "（korvane help 列出全部函数）"},
    {Tool::PropertyTakesNone, "{1} is a draw-state property and takes no arguments",
     "{1} 是开奖状态属性，不带参数"},
    {Tool::TakesOneArgument, "{1} takes {2} argument ({3}), not {4}",
     "{1} 需要 {2} 个参数（{3}），而不是 {4} 个"},
    {Tool::TakesArguments, "{1} takes {2} arguments ({3}), not {4}",
     "{1} 需要 {2} 个参数（{3}），而不是 {4} 个"},
    {Tool::CallWithoutDraw,
     "{1} settles against the draw, and none is loaded: give --draw YEAR NUMBERS SPECIAL",
     "{1} 按开奖结算，但尚未载入开奖：请用 --draw 年份 号码 特码 给出"},
    {Tool::EvalDescription,
     "Answer JSON Lines requests on standard input (one add-in object per process)",
     "应答标准输入上的 JSON Lines 请求（每个进程一个加载项对象）"},
    {Tool::EvalComOption,
     "Call the registered COM class Korvane.自定义函数 late-bound, as Excel does",
     "像 Excel 一样后期绑定调用已注册的 COM 类 Korvane.自定义函数"},
    {Tool::HelpDescription, "List the worksheet functions, or show one: korvane help [FUNCTION]",
     "列出工作表函数，或显示其中一个：korvane help [函数名]"},
    {Tool::HelpFunctionOption, "A function or draw-state property", "函数或开奖状态属性"},
    {Tool::HelpExamplesOption,
     "Print every function's example as a korvane eval transcript: each request line (\"> \") "
     "followed by its answer (\"< \")",
     "以 korvane eval 记录的形式显示每个函数的示例：每个请求行（\"> \"）后跟其应答（\"< \"）"},
    {Tool::HelpIntro,
     "Korvane worksheet functions. korvane help FUNCTION shows one with an example.",
     "Korvane 工作表函数。korvane help 函数名 查看参数与示例。"},
    {Tool::HelpProperties, "Draw-state properties (korvane call {1} NAME prints one):",
     "开奖状态属性（korvane call {1} 属性名 显示其值）："},
    {Tool::HelpIsProperty, "{1}: draw-state property", "{1}：开奖状态属性"},
    {Tool::HelpExample, "Example:", "示例："},
    {Tool::HelpParameters, "Parameters:", "参数："},
    {Tool::HelpCellReference, " (a cell reference)", "（单元格引用）"},
    {Tool::HelpMayBeLeftOut,
     "may be left out: korvane call then passes an empty cell, and a book row\n"
     "always gets the result of the last 验证 row.",
     "可以省略：korvane call 会传入空单元格，\n"
     "账本中的行总是取上一个 验证 行的结果。"},
    {Tool::HelpReturns, "Returns: {1}", "返回：{1}"},
    {Tool::HelpNeverFails, "Never fails: a step that cannot be carried out is skipped.",
     "从不失败：出错的步骤被跳过。"},
    {Tool::HelpFailsCall, "A step that cannot be carried out fails the call: #VALUE!.",
     "出错即返回 #VALUE!。"},
    {Tool::HelpExamplesAlone, "--examples prints every function's example; name no function",
     "--examples 显示全部函数的示例；请不要再给出函数名"},
    {Tool::NoMember, "no function or property is named {1}{2}", "没有名为 {1} 的函数或属性{2}"},
    {Tool::SettleDescription,
     "Settle a bet book (CSV, UTF-8 or GBK, or UTF-16 text) against the draw its 验证 rows load",
     "按账本中 验证 行载入的开奖结算账本（CSV，UTF-8 或 GBK，或 UTF-16 文本）"},
    {Tool::SettleBookOption, "The bet book: one worksheet call per row (- reads standard input)",
     "账本：每行一个工作表函数调用（- 表示读取标准输入）"},
    {Tool::SettleOutputOption,
     "Write the settled book here instead of to standard output (- is standard output); "
     "replaced whole once the book is settled, or left as it was",
     "把结算后的账本写到这里，而不是标准输出（- 表示标准输出）；结算完成后整个替换，"
     "否则保持原样"},
    {Tool::SettleEncodingOption,
     "utf-8, gb18030 or utf-16: the settled book's encoding (default: the book's)",
     "utf-8、gb18030 或 utf-16：结算后账本的编码（默认与原账本相同）"},
    {Tool::SettleFooter,
     "Each row is a function name and its arguments without 易失; a 验证 row loads the\n"
     "draw for the rows after it. The settled book is every row as it was with its result\n"
     "appended, in the book's encoding; the summary goes to standard error. A bet is paid\n"
     "only from the draw of the nearest row above it that loaded one, and only when no\n"
     "row between them could have been a draw row (one naming 验证 in any spelling, a\n"
     "formula, a cell holding ， or tabs, a byte-order mark); else it gets \"no draw\".\n"
     "Exits 1 when a row could not be read, went without a draw, was settled against a\n"
     "draw no lottery can draw or ran over several lines, 2 on a file error or a file\n"
     "that is not a book.",
     "每行是一个函数名及其参数（不含 易失）；验证 行为其后的行载入开奖。\n"
     "结算后的账本是原样的每一行，末尾加上结果，编码与原账本相同；汇总写到标准错误。\n"
     "投注只按其上方最近一个载入了开奖的行结算，且两者之间没有可能是开奖行的行（以任何\n"
     "写法写有 验证 的行、公式、含有 ， 或制表符的单元格、字节顺序标记）；否则得到“未开奖”。\n"
     "有行无法读取、没有开奖、按不可能开出的开奖结算或跨越多行时以状态 1 退出；\n"
     "文件出错或文件不是账本时以状态 2 退出。"},
    {Tool::StandardInput, "(standard input)", "（标准输入）"},
    {Tool::CannotOpen, "cannot open {1}: {2}", "无法打开 {1}：{2}"},
    {Tool::CannotWrite, "cannot write {1}: {2}", "无法写入 {1}：{2}"},
    {Tool::WouldOverwrite, "the settled book would overwrite {1}: choose another -o",
     "结算后的账本会覆盖 {1}：请用 -o 指定别的文件"},
    {Tool::InputIsOutput,
     "standard input is {1} itself: the settled book would overwrite the book it settles; choose "
     "another -o",
     "标准输入就是 {1}：结算后的账本会覆盖正在结算的账本；请用 -o 指定别的文件"},
    {Tool::OutputIsBook,
     "standard output is {1} itself: the settled book would feed the book it settles; write it "
     "elsewhere",
     "标准输出就是 {1}：结算后的账本会写进正在结算的账本；请写到别处"},
    {Tool::OutputIsInput,
     "standard output is the file on standard input: the settled book would feed the book it "
     "settles; write it elsewhere",
     "标准输出就是标准输入的文件：结算后的账本会写进正在结算的账本；请写到别处"},
    {Tool::NoConverter, "this system has no GB18030 converter", "本系统没有 GB18030 转换器"},
    {Tool::NotABook, "{1} {2}", "{1}：{2}"},
    {Tool::ReadingFailed, "reading {1} failed part way", "读取 {1} 中途失败"},
    {Tool::ReadingFailedBecause, "reading {1} failed part way: {2}", "读取 {1} 中途失败：{2}"},
    {Tool::WritingFailed, "writing {1} failed", "写入 {1} 失败"},
    {Tool::TheSettledBook, "the settled book", "结算后的账本"},
    {Tool::LooksLikeXlsx, "looks like an .xlsx workbook: save it as CSV",
     "看起来是 .xlsx 工作簿：请另存为 CSV"},
    {Tool::LooksLikeXls, "looks like an .xls workbook: save it as CSV",
     "看起来是 .xls 工作簿：请另存为 CSV"},
    {Tool::LooksLikeUtf16,
     "looks like UTF-16 without a byte-order mark: save it as CSV, or as Unicode text (which has "
     "the mark)",
     "看起来是没有字节顺序标记的 UTF-16：请另存为 CSV，或另存为 Unicode 文本（带有该标记）"},
    {Tool::ReadAsGb18030, "read as GB18030 (GBK): line {1} is not UTF-8, though line {2} is",
     "按 GB18030（GBK）读取：第 {1} 行不是 UTF-8，尽管第 {2} 行是"},
    {Tool::ReadAsUtf8Aside,
     "read as UTF-8, as every row is; line {1} (a comment or blank line) is not, and is copied as "
     "it is",
     "按 UTF-8 读取，因为每一行都是；第 {1} 行（注释或空行）不是，原样复制"},
    {Tool::LateNotUtf8,
     "line {1} is not UTF-8, though the book was read as UTF-8 from the lines before it; the rows "
     "that are not UTF-8 are not settled (save the book in one encoding)",
     "第 {1} 行不是 UTF-8，而账本已按前面的行以 UTF-8 读取；不是 UTF-8 "
     "的行未结算（请用同一种编码保存账本）"},
    {Tool::OddByte, "the book ends in half a UTF-16 character (one odd byte), which is dropped",
     "账本末尾是半个 UTF-16 字符（多出一个字节），已舍去"},
    {Tool::Joined,
     "a byte-order mark starts this line: another book joined on from here; the mark is dropped, "
     "and its bets wait for its own 验证 row",
     "此行以字节顺序标记开头：从这里起接上了另一个账本；标记已舍去，其投注等待它自己的 验证 行"},
    {Tool::QuoteNotClosed, "a quoted field is not closed", "引号中的字段没有结束引号"},
    {Tool::QuoteNotClosedOnLine, "a quoted field is not closed on this line",
     "此行中引号中的字段没有结束引号"},
    {Tool::QuoteInsideField, "a double quote inside a field that does not start with one",
     "不以双引号开头的字段中有双引号"},
    {Tool::TextAfterQuote, "text after the closing quote of a field", "字段的结束引号之后还有文字"},
    {Tool::RunsOverLines,
     "a quoted cell runs over lines {1}-{2} (a stray double quote?); settled as one row",
     "带引号的单元格跨越第 {1}-{2} 行（多了一个双引号？）；已作为一行结算"},
    {Tool::NoFunctionInRow, "the row names no function", "此行没有函数名"},
    {Tool::RowNamesProperty, "“{1}” is a draw-state property, not a function",
     "“{1}”是开奖状态属性，不是函数"},
    {Tool::NoFunctionInBook, "no function is named “{1}”{2}", "没有名为“{1}”的函数{2}"},
    {Tool::DrawNotWellFormed,
     "the draw is not {1}: {2}; the rows after it are settled against it all the same",
     "开奖不是{1}：{2}；其后的行仍按它结算"},
    {Tool::NoDrawLoaded, "no draw is loaded: {1}; the bet is not settled",
     "没有载入开奖：{1}；此投注未结算"},
    {Tool::Warning, "warning: {1}", "警告：{1}"},
    {Tool::NotGbkText, "the row holds bytes that are not GBK text", "此行含有不是 GBK 文本的字节"},
    {Tool::NotUtf16Text, "the row holds code units that are not UTF-16 text",
     "此行含有不是 UTF-16 文本的码元"},
    {Tool::NotUtf8Text, "the row holds bytes that are not UTF-8 text",
     "此行含有不是 UTF-8 文本的字节"},
    {Tool::Unreadable, "unreadable: {1}", "无法读取：{1}"},
    {Tool::LineTooLong, "the line is longer than 1 MiB", "此行超过 1 MiB"},
    {Tool::RowTakesOne, "{1} takes {2} argument ({3}), the row gives {4}",
     "{1} 需要 {2} 个参数（{3}），此行给出 {4} 个"},
    {Tool::RowTakes, "{1} takes {2} arguments ({3}), the row gives {4}",
     "{1} 需要 {2} 个参数（{3}），此行给出 {4} 个"},
    {Tool::NoDraw, "no draw", "未开奖"},
    {Tool::SummaryCounts, "{1} read: {2} settled, {3} failed (#VALUE!), {4} unreadable",
     "读取 {1}：已结算 {2}，失败（#VALUE!）{3}，无法读取 {4}"},
    {Tool::SummaryNoDraw, ", {1} not settled for want of a draw", "，因没有开奖未结算 {1}"},
    {Tool::SummaryPassed, "; {1} passed through", "；原样保留{1}"},
    {Tool::SummaryWarnings, "{1} settled with a warning (above)", "{1}已结算但有警告（见上）"},
    {Tool::SummaryMultiline,
     "{1} over several lines, each settled as one (a stray double quote?), to be looked at:",
     "{1}跨越多行，各按一行结算（多了一个双引号？），请检查："},
    {Tool::SummaryFailed, "failed (#VALUE!):", "失败（#VALUE!）："},
    {Tool::SummaryMore, " and {1} more", " 等，另有 {1} 行"},
    {Tool::SummaryHeader, "function          rows           total",
     "函数              行数            合计"},
    {Tool::InstallDescription,
     "Install the add-in for Excel from this folder (for you; --machine for every user)",
     "从此文件夹为 Excel 安装加载项（为您安装；--machine 为所有用户安装）"},
    {Tool::InstallMachineOption, "Install for every user (needs administrator rights)",
     "为所有用户安装（需要管理员权限）"},
    {Tool::InstallXllOption, "Have Excel load korvane.xll instead of the automation add-in",
     "让 Excel 加载 korvane.xll，而不是自动化加载项"},
    {Tool::InstallInPlaceOption,
     "Register this release folder where it is, without copying it (for a setup program that has "
     "already put the files in place)",
     "就地注册此发布文件夹，不复制（供已放好文件的安装程序使用）"},
    {Tool::UninstallDescription, "Remove what install put in place", "删除 install 安装的内容"},
    {Tool::UninstallMachineOption, "Remove the installation for every user",
     "删除为所有用户的安装"},
    {Tool::UninstallKeepFilesOption,
     "Undo the registration and Excel's entries only, and keep the files",
     "只撤销注册和 Excel 中的条目，保留文件"},
    {Tool::StatusDescription,
     "Show what is installed where, whether Excel loads it and whether a file is blocked; switch "
     "an installation for every user on for your Excel",
     "显示安装在哪里、Excel 是否加载、文件是否被阻止；为您的 Excel 启用为所有用户的安装"},
    {Tool::ForgetJoined, "starts a joined book", "开始了接上的另一个账本"},
    {Tool::ForgetUnreadable, "is a draw row that could not be read", "是无法读取的开奖行"},
    {Tool::ForgetNoneLoaded, "is a draw row that loaded none", "是没有载入开奖的开奖行"},
    {Tool::ForgetCouldHaveBeen, "could have been a draw row ({1}) and loaded none",
     "可能是开奖行（{1}），但没有载入开奖"},
    {Tool::ForgetTooLong, "is too long to read, and could have been a draw row",
     "太长无法读取，且可能是开奖行"},
    {Tool::NotTextInEncoding, "it is not text in the book's encoding", "它不是账本编码的文本"},
    {Tool::NoDrawRowAbove, "no 验证 row above", "上面没有 验证 行"},
    {Tool::SummaryMalformed,
     "{1} settled against {2} no lottery can draw (warned above), to be looked at",
     "{1}按{2}不可能开出的开奖结算（见上面的警告），请检查"},
    {Tool::CallDrawWarning, "warning: the draw is not {1}: {2}", "警告：开奖不是{1}：{2}"},
    {Tool::MarkOnIt, "a byte-order mark stands on it (another book glued on?)",
     "行中有字节顺序标记（接上了另一个账本？）"},
    {Tool::ItNames, "it names {1}", "其中写有 {1}"},
    {Tool::ItIsFormula, "it is a formula", "它是公式"},
    {Tool::OtherSeparator, "its first cell holds a separator the CSV does not split on",
     "其第一个单元格含有 CSV 不按其拆分的分隔符"},
    {Tool::MistypedLoader, "its first cell is a mistyped name of the draw's function",
     "其第一个单元格是开奖函数名的错写"},
    {Tool::InstallFolderOption,
     "The installation folder (empty, or one Korvane is installed in); without it, the standard "
     "folder for this version",
     "安装文件夹（空文件夹，或已安装 Korvane 的文件夹）；不给出时使用此版本的标准文件夹"},
    {Tool::InstallAutomationOption,
     "Have Excel load the automation add-in (an upgrade otherwise keeps the kind chosen before)",
     "让 Excel 加载自动化加载项（否则升级时保留之前选择的类型）"},
    {Tool::InstallBySetupOption,
     "Run by the setup program: the installation is removed in Apps & Features",
     "由安装程序运行：在“应用和功能”中卸载"},
    {Tool::UninstallFolderOption,
     "The installation folder to remove; without it, the standard folder",
     "要删除的安装文件夹；不给出时使用标准文件夹"},
    {Tool::UninstallBySetupOption,
     "Run by the setup's uninstaller (the zip's uninstall leaves a setup's installation to Apps & "
     "Features)",
     "由安装程序的卸载程序运行（zip 版的卸载把安装程序的安装留给“应用和功能”）"},
    {Tool::OpenElsewhere, "it is open in another program (Excel?): close it there and settle again",
     "它在另一个程序（Excel？）中打开：请在那里关闭后重新结算"},
    {Tool::AccessDenied, "access is denied (is it read-only, or open in another program?)",
     "拒绝访问（它是只读的，还是在另一个程序中打开？）"},
    {Tool::WindowsError, "Windows error {1}", "Windows 错误 {1}"},
    {Tool::LeftAsItWas, "; {1} is left as it was", "；{1} 保持原样"},
    {Tool::ItIsReadOnly, "it is read-only", "它是只读的"},
    {Tool::WritingFileFailed, "writing {1} failed: {2}", "写入 {1} 失败：{2}"},
    {Tool::CannotReplace, "cannot replace {1}: {2}", "无法替换 {1}：{2}"},
    {Tool::OtherEncodingKey,
     "it holds the draw's name or a byte-order mark written in another encoding",
     "其中有以另一种编码写的开奖函数名或字节顺序标记"},
    {Tool::WellFormedDraw,
     "six regular numbers and one special number, each 01-49 and all different, in a whole year",
     "六个平码和一个特码，各为 01–49 且互不相同，年份为整数年"},
    {Tool::YearNotWhole, "the year is not a whole year", "年份不是整数年"},
    {Tool::YearNotFourDigits, "the year is not written with four digits", "年份不是四位数"},
    {Tool::MoreThanSixNumbers, "the regular numbers are more than six two-digit numbers",
     "平码多于六个两位数"},
    {Tool::RegularNumber, "regular number {1}", "第 {1} 个平码"},
    {Tool::SpecialNumber, "the special number", "特码"},
    {Tool::NotLotteryNumber, "{1} is not a lottery number (two digits, 01 to 49)",
     "{1}不是彩票号码（两位数，01 到 49）"},
    {Tool::DrawnTwice, "{1} is drawn twice", "{1}重复出现"},
    {Tool::EmptyOutputName, "-o names no file (give a file name, or - for standard output)",
     "-o 没有给出文件名（请给出文件名，或用 - 表示标准输出）"},
    {Tool::HoldsDrawNumbers, "a cell holds six numbers as a draw's numbers are written",
     "其中一个单元格是按开奖号码写法写的六个号码"},
    {Tool::AtLine, "line {1} {2}", "第 {1} 行{2}"},
    {Tool::AtLines, "lines {1}-{2} {3}", "第 {1}-{2} 行{3}"},
    {Tool::CountRows, "{1} rows", "{1} 行"},
    {Tool::CountOneRow, "{1} row", "{1} 行"},
    {Tool::CountBets, "{1} bets", "{1} 注"},
    {Tool::CountOneBet, "{1} bet", "{1} 注"},
    {Tool::CountDraws, "{1} draws", "{1} 个"},
    {Tool::CountOneDraw, "{1} draw", "{1} 个"},
    {Tool::FolderNotWritable, "the folder {1} cannot be written to ({2})",
     "文件夹 {1} 无法写入（{2}）"},
    {Tool::EmptyBookName, "the book's name is empty (give a file name, or - for standard input)",
     "账本的文件名是空的（请给出文件名，或用 - 表示标准输入）"},
    {Tool::OptionTakesValues, "{1} takes {2} values ({3}), not {4}",
     "{1} 需要 {2} 个值（{3}），而不是 {4} 个"},
    {Tool::OptionNeedsValue, "{1} needs a value ({2})", "{1} 缺少值（{2}）"},
    {Tool::OptionTakesAtMost, "{1} takes at most {2} values, not {3}",
     "{1} 最多带 {2} 个值，而不是 {3} 个"},
    {Tool::SwitchTakesNoValue, "{1} is a switch and takes no value", "{1} 是开关，不带值"},
    {Tool::OptionValue, "{1}: {2}", "{1}：{2}"},
    {Tool::NotAnEncoding,
     "{1} is not an encoding the settled book is written in (utf-8, gb18030 "
     "or utf-16)",
     "{1} 不是结算后账本可用的编码（utf-8、gb18030 或 utf-16）"},
    {Tool::ValueNotAllowed, "{1} does not take the value {2}", "{1} 不接受值 {2}"},
    {Tool::PlaceholderBook, "BOOK", "账本"},
    {Tool::PlaceholderFunction, "FUNCTION", "函数"},
    {Tool::PlaceholderDraw, "YEAR NUMBERS SPECIAL", "年份 平码 特码"},
    {Tool::PlaceholderArgument, "ARG", "参数"},
    {Tool::PlaceholderEncoding, "ENCODING", "编码"},
    {Tool::ExamplesHeader,
     "# The example of every worksheet function as korvane eval answers it\n"
     "# (korvane help --examples). Lines: \"> \" a request, \"< \" its answer.",
     "# 每个工作表函数的示例，按 korvane eval 的应答写出\n"
     "# （korvane help --examples）。各行：\"> \" 是请求，\"< \" 是其应答。"},
    {Tool::CountPassed, "{1} blank or comment lines", "空行或注释行 {1}"},
    {Tool::CountOnePassed, "{1} blank or comment line", "空行或注释行 {1}"},
    {Tool::OptionTakesOneValue, "{1} takes {2} value ({3}), not {4}",
     "{1} 需要 {2} 个值（{3}），而不是 {4} 个"},
    {Tool::OptionTakesAtMostOne, "{1} takes at most {2} value, not {3}",
     "{1} 最多带 {2} 个值，而不是 {3} 个"},
};

static_assert(complete(kRows), "one row a sentence, in the order of Tool, in both languages");

}  // namespace

std::string_view sentence(Tool what, Language language) { return pick(kRows, what, language); }

std::string say(Tool what, Language language, std::initializer_list<std::string_view> args) {
  return fill(sentence(what, language), args);
}

}  // namespace korvane::words
