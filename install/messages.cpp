// The installer's sentences, English and Simplified Chinese side by side.
#include "install/messages.h"

namespace korvane::install {
namespace {

using Row = words::Row<Say>;

// One row a sentence, in the order of Say. The Chinese follows the words of
// Excel's Chinese menus (文件 > 选项 > 加载项) so that a reader finds them.
constexpr Row kRows[] = {
    {Say::NoProgramFolder, "cannot find the program folder", "找不到程序文件夹"},
    {Say::NotARelease, "run it from the folder of the release zip ({1} holds no {2})",
     "请在解压后的发布文件夹中运行（{1} 中没有 {2}）"},
    {Say::MissingFile, "{1} is missing from the release", "发布文件中缺少 {1}"},
    {Say::NeedAdminInstall,
     "installing for every user needs administrator rights (run install.cmd /machine from a "
     "command prompt opened as administrator, or install for yourself without /machine)",
     "为所有用户安装需要管理员权限（请以管理员身份打开命令提示符后运行 install.cmd "
     "/machine，或去掉 /machine 只为自己安装）"},
    {Say::NeedAdminUninstall,
     "removing the installation for every user needs administrator rights (run uninstall.cmd "
     "/machine from a command prompt opened as administrator)",
     "卸载为所有用户的安装需要管理员权限（请以管理员身份打开命令提示符后运行 uninstall.cmd "
     "/machine）"},
    {Say::InUse, "{1} is in use, probably by a running Excel: close Excel and run again",
     "{1} 正在使用中，可能是 Excel 正在运行：请关闭 Excel 后重试"},
    {Say::CannotWrite, "cannot write {1}: {2}", "无法写入 {1}：{2}"},
    {Say::CannotRemove, "cannot remove {1}: {2}", "无法删除 {1}：{2}"},
    {Say::CannotRegister, "cannot register {1}: {2}", "无法注册 {1}：{2}"},
    {Say::NoXll, "this release holds no korvane.xll", "此发布版本中没有 korvane.xll"},
    {Say::InstalledForYou, "Korvane {1} installed in {2} for you.",
     "Korvane {1} 已为您安装到 {2}。"},
    {Say::InstalledForAll, "Korvane {1} installed in {2} for every user.",
     "Korvane {1} 已为本机所有用户安装到 {2}。"},
    {Say::ExcelLoads, "Your Excel loads it at its next start (Excel {1}).",
     "您的 Excel 下次启动时自动加载（Excel {1}）。"},
    {Say::OthersSwitchOn,
     "The other users of this computer switch it on for their Excel by running \"korvane.exe "
     "status\" once (Start menu: Korvane 状态).",
     "本机其他用户需各自运行一次“korvane.exe status”（开始菜单：Korvane 状态），"
     "他们的 Excel 才会加载它。"},
    {Say::NoExcelAutomation,
     "No Excel was found for this user: in Excel, choose File > Options > Add-ins, Manage: Excel "
     "Add-ins, Go..., Automation..., and pick Korvane.自定义函数.",
     "未找到本用户的 Excel：请在 Excel 中选择 文件 > 选项 > 加载项，管理：Excel "
     "加载项，转到…，自动化…，然后选择 Korvane.自定义函数。"},
    {Say::NoExcelXll,
     "No Excel was found for this user: in Excel, choose File > Options > Add-ins, Manage: Excel "
     "Add-ins, Go..., Browse..., and pick {1}.",
     "未找到本用户的 Excel：请在 Excel 中选择 文件 > 选项 > 加载项，管理：Excel "
     "加载项，转到…，浏览…，然后选择 {1}。"},
    {Say::ListNotChanged, "Excel's list of add-ins could not be changed: {1}",
     "无法修改 Excel 的加载项列表：{1}"},
    {Say::OlderNotRemoved, "the older version in {1} could not be removed: {2}",
     "无法删除 {1} 中的旧版本：{2}"},
    {Say::NothingChanged, "Nothing was changed.", "没有做任何更改。"},
    {Say::RemovedForYou, "Korvane removed for you.", "已为您卸载 Korvane。"},
    {Say::RemovedForAll, "Korvane removed for every user.", "已为本机所有用户卸载 Korvane。"},
    {Say::UnregisteredForYou, "Korvane's registration removed for you; its files are kept.",
     "已为您撤销 Korvane 的注册，文件保留。"},
    {Say::UnregisteredForAll, "Korvane's registration removed for every user; its files are kept.",
     "已为本机所有用户撤销 Korvane 的注册，文件保留。"},
    {Say::NothingInstalledForYou, "Korvane is not installed for you: nothing to remove.",
     "没有为您安装 Korvane，无需卸载。"},
    {Say::NothingInstalledForAll, "Korvane is not installed for every user: nothing to remove.",
     "没有为本机所有用户安装 Korvane，无需卸载。"},
    {Say::EntryStays, "Excel keeps loading Korvane from {1}.", "Excel 将继续从 {1} 加载 Korvane。"},
    {Say::FolderStays, "{1} is left (it holds the running korvane.exe): delete it by hand.",
     "{1} 未能删除（其中的 korvane.exe 正在运行）：请手动删除。"},
    {Say::StatusForYou, "For you:", "为您安装："},
    {Say::StatusForAll, "For every user:", "为所有用户安装："},
    {Say::StatusInstalled, "  installed: {1}", "  已安装：{1}"},
    {Say::StatusNothing, "  installed: nothing", "  已安装：无"},
    {Say::StatusRegistered, "  {1}-bit Office: registered, {2}", "  {1} 位 Office：已注册，{2}"},
    {Say::StatusNotRegistered, "  {1}-bit Office: not registered", "  {1} 位 Office：未注册"},
    {Say::StatusBlocked,
     "  blocked: {1} is marked as downloaded from the internet, and Excel will not load it: "
     "run install again, or tick Unblock in the file's Properties",
     "  已被阻止：{1} 带有“来自 Internet”的标记，Excel 不会加载它：请重新运行安装，"
     "或在文件属性中勾选“解除锁定”"},
    {Say::StatusNoExcel, "Excel: none found for this user", "Excel：未找到本用户的 Excel"},
    {Say::StatusLoads, "Excel {1}: loads Korvane at start ({2} = {3})",
     "Excel {1}：启动时加载 Korvane（{2} = {3}）"},
    {Say::StatusDoesNotLoad, "Excel {1}: does not load Korvane", "Excel {1}：不加载 Korvane"},
    {Say::StatusSwitchedOn,
     "Excel {1}: switched on for you, loads Korvane at its next start ({2} = {3})",
     "Excel {1}：已为您启用，下次启动时加载 Korvane（{2} = {3}）"},
    {Say::FolderUnusable,
     "{1} cannot be the installation folder: give the full path of a folder below a drive "
     "(C:\\Korvane, not C:\\ or a relative path)",
     "{1} 不能用作安装文件夹：请给出驱动器下某个文件夹的完整路径（例如 C:\\Korvane，"
     "不能是 C:\\ 或相对路径）"},
    {Say::ForeignFolder,
     "{1} holds files that are not a Korvane installation: choose an empty folder, or the "
     "folder Korvane is installed in",
     "{1} 中有不属于 Korvane 安装的文件：请选择一个空文件夹，或 Korvane 已安装的文件夹"},
    {Say::NotOurs, "{1} is in the way: it was not installed by Korvane, so it is left alone",
     "{1} 挡住了安装：它不是 Korvane 安装的文件，因此不会被改动"},
    {Say::UseAppsAndFeatures,
     "Korvane in {1} was installed by its setup program: remove it in Settings > Apps (Apps & "
     "features)",
     "{1} 中的 Korvane 是由安装程序安装的：请在 设置 › 应用（应用和功能）中卸载"},
    {Say::NoInstallationThere, "{1} holds no Korvane installation: nothing to remove",
     "{1} 中没有 Korvane 的安装，无需卸载"},
    {Say::Interrupted, "An interrupted earlier run in {1} was settled first.",
     "已先处理 {1} 中上次中断的安装。"},
};

static_assert(words::complete(kRows), "one row a sentence, in the order of Say, in both languages");

}  // namespace

std::string_view sentence(Say what, Language language) {
  return words::pick(kRows, what, language);
}

std::string words(Say what, Language language, std::initializer_list<std::string_view> args) {
  return words::fill(sentence(what, language), args);
}

}  // namespace korvane::install
