; The words of the setup (korvane.nsi), in Simplified Chinese for a Chinese
; Windows and in English for every other. The people reading them keep books;
; they are not expected to know what a registry or a COM class is, so each
; text says what changes for them in Excel. The Start-menu names are files'
; names too: no characters Windows forbids in a file name. Each choice has
; a key (Alt+letter) for people who use the keyboard.

!define ZH ${LANG_SIMPCHINESE}
!define EN ${LANG_ENGLISH}

LangString WelcomeTitle ${ZH} "欢迎安装 Korvane 自定义函数 ${VERSION}"
LangString WelcomeTitle ${EN} "Welcome to Korvane ${VERSION}"
LangString WelcomeText ${ZH} "Korvane 给 Excel 加上结算彩票投注（平码、特码、生肖、尾数、连肖等）和计算计件工资的工作表函数。$\r$\n$\r$\n安装之前请关闭所有 Excel 窗口。$\r$\n$\r$\n单击“下一步”继续。"
LangString WelcomeText ${EN} "Korvane adds worksheet functions to Excel for settling lottery bets and for piece-rate wages.$\r$\n$\r$\nPlease close every Excel window before you go on.$\r$\n$\r$\nClick Next to continue."

LangString ScopeTitle ${ZH} "为谁安装"
LangString ScopeTitle ${EN} "Install for whom"
LangString ScopeSubtitle ${ZH} "选择这台电脑上谁可以在 Excel 里使用 Korvane。"
LangString ScopeSubtitle ${EN} "Choose who can use Korvane in Excel on this computer."
LangString ScopeUser ${ZH} "只为我（推荐）(&M)"
LangString ScopeUser ${EN} "Only for &me (recommended)"
LangString ScopeUserNote ${ZH} "装在你自己的文件夹里，不需要管理员权限。"
LangString ScopeUserNote ${EN} "Installed in your own folder; no administrator rights are needed."
LangString ScopeAll ${ZH} "这台电脑的所有用户(&A)"
LangString ScopeAll ${EN} "&All users of this computer"
LangString ScopeAllNote ${ZH} "装在 Program Files 里，需要管理员权限：Windows 会询问是否允许。"
LangString ScopeAllNote ${EN} "Installed in Program Files; this needs administrator rights, and Windows will ask you to allow it."

LangString AddInTitle ${ZH} "加载方式"
LangString AddInTitle ${EN} "How Excel loads it"
LangString AddInSubtitle ${ZH} "两种方式的函数完全一样，只在下面几点上不同。"
LangString AddInSubtitle ${EN} "The functions are the same either way; only the points below differ."
LangString AddInAutomation ${ZH} "自动化加载项（推荐）(&U)"
LangString AddInAutomation ${EN} "A&utomation add-in (recommended)"
LangString AddInAutomationNote ${ZH} "适合大多数人：每个版本的 Excel 都能用，VBA 宏也能直接读写开奖号码。"
LangString AddInAutomationNote ${EN} "Right for most people: it works in every Excel version, and VBA macros can read and set the draw too."
LangString AddInXll ${ZH} "XLL 加载项(&X)"
LangString AddInXll ${EN} "&XLL add-in"
LangString AddInXllNote ${ZH} "“插入函数”向导里有每个函数和参数的说明，并且用多个处理器核心同时计算，重算更快。"
LangString AddInXllNote ${EN} "The Insert Function wizard explains every function and argument, and recalculation runs on several processor cores at once."
LangString AddInEither ${ZH} "已有的工作簿用哪一种都可以打开和计算，不用修改。以后想换，重新运行安装程序选另一种即可。"
LangString AddInEither ${EN} "Existing workbooks work with either, unchanged. To switch later, run this setup again and choose the other."

LangString FolderNotEmpty ${ZH} "这个文件夹里有别的程序或文件，不是 Korvane 的安装。为了不动你的文件，请选择一个空文件夹，或者原来安装 Korvane 的文件夹。没有做任何改动。"
LangString FolderNotEmpty ${EN} "This folder holds other programs or files; it is not an installation of Korvane. So that your files stay as they are, please choose an empty folder, or the folder Korvane was installed in. Nothing was changed."
LangString BadFolder ${ZH} "/D= 后面要写完整的文件夹路径，例如 /D=D:\Korvane（盘符下面的文件夹，不能是整个盘，不能是相对路径，引号要成对）。没有做任何改动。现在写的是："
LangString BadFolder ${EN} "/D= needs a whole folder path, such as /D=D:\Korvane (a folder on a drive, not the drive itself, not a relative path, quotes in pairs). Nothing was changed. It was:"
LangString ExcelRunning ${ZH} "Excel 正在运行。请保存工作簿并关闭所有 Excel 窗口，然后单击“重试”。$\r$\n$\r$\n单击“取消”则不做任何改动。"
LangString ExcelRunning ${EN} "Excel is running. Please save your workbooks and close every Excel window, then click Retry.$\r$\n$\r$\nCancel leaves everything as it is."
LangString NewerInstalled ${ZH} "这台电脑上已经装有更新的 Korvane $R9，这个安装程序是 ${VERSION}，不会覆盖它。$\r$\n$\r$\n如果确实要换回旧版本，请先在“设置 › 应用”里卸载 Korvane。"
LangString NewerInstalled ${EN} "A newer Korvane, $R9, is already installed; this setup is ${VERSION} and will not replace it.$\r$\n$\r$\nTo go back to the older version, first uninstall Korvane in Settings › Apps."
LangString CopyFailed ${ZH} "无法解压安装文件（磁盘已满，或者没有写入权限），没有做任何改动："
LangString CopyFailed ${EN} "The setup's files could not be unpacked (the disk is full, or writing there is not allowed); nothing was changed:"
LangString RegisterFailed ${ZH} "Korvane 没有装上，原来的文件和设置都保持原样。原因："
LangString RegisterFailed ${EN} "Korvane was not installed; the files and settings that were there are as they were. The reason:"
LangString UninstallerFailed ${ZH} "Korvane 已经装好，但是无法写入卸载程序（磁盘已满，或者没有写入权限）。请腾出空间后重新运行安装程序："
LangString UninstallerFailed ${EN} "Korvane is installed, but its uninstaller could not be written (the disk is full, or writing there is not allowed). Please make room and run the setup again:"
LangString PreviousLeft ${ZH} "Korvane 已经装到新的文件夹，但是原来文件夹里的 Korvane 文件无法删除（可能正在使用），Excel 已经改用新的。关闭 Excel 后再运行一次安装程序即可删除。原来的文件夹："
LangString PreviousLeft ${EN} "Korvane is installed in the new folder and Excel uses it, but its files in the folder it was in before could not be removed (perhaps in use). Close Excel and run the setup again to remove them. That folder:"
LangString UnregisterFailed ${ZH} "无法卸载，什么都没有删除。原因："
LangString UnregisterFailed ${EN} "Korvane could not be uninstalled; nothing was removed. The reason:"
LangString ToolMissing ${ZH} "无法卸载：安装文件夹里的 korvane.exe 不见了（可能被杀毒软件或者手动删掉了），什么都没有删除。请重新运行同一版本的安装程序修复，然后再卸载。文件夹："
LangString ToolMissing ${EN} "Korvane could not be uninstalled: korvane.exe is missing from its folder (removed by an antivirus or by hand); nothing was removed. Run the same version's setup again to repair it, then uninstall. The folder:"
LangString NotOurs ${ZH} "这个文件夹里没有 Korvane 的安装，卸载程序不会动它，什么都没有删除："
LangString NotOurs ${EN} "This folder holds no installation of Korvane; the uninstaller leaves it alone and removed nothing:"
LangString AlreadyRunning ${ZH} "Korvane 安装程序已经在运行。"
LangString AlreadyRunning ${EN} "The Korvane setup is already running."
LangString UnknownSwitch ${ZH} "不认识的参数："
LangString UnknownSwitch ${EN} "Unknown switch:"
LangString Usage ${ZH} "可以用的参数（大小写都行）：/S（静默安装）、/ALLUSERS（所有用户）、/XLL（XLL 加载项）、/AUTOMATION（自动化加载项）、/D=文件夹（放在最后，可以加引号）。"
LangString Usage ${EN} "Switches (in any case): /S (silent), /ALLUSERS (every user), /XLL (the XLL add-in), /AUTOMATION (the automation add-in), /D=FOLDER (last, quoted or not)."

LangString FinishTitle ${ZH} "Korvane 已经装好"
LangString FinishTitle ${EN} "Korvane is installed"
LangString FinishText ${ZH} "下次启动 Excel 时自动加载。$\r$\n$\r$\n先打开示例账本看一看。自己的账本里，开奖写成$\r$\n=验证(年份,平码,特码,A2)$\r$\n每个投注的最后一个参数都引用这个单元格。$\r$\n$\r$\n使用说明和示例账本在开始菜单的 Korvane 文件夹里。"
LangString FinishText ${EN} "Excel loads it at its next start.$\r$\n$\r$\nOpen the example workbook first. In your own books, load the draw with$\r$\n=验证(year,numbers,special,A2)$\r$\nand end every bet with a reference to that cell.$\r$\n$\r$\nThe guide and the example workbook are in the Start menu's Korvane folder."
LangString OpenGuide ${ZH} "打开使用说明"
LangString OpenGuide ${EN} "Open the guide"
LangString OpenWorkbook ${ZH} "打开示例账本"
LangString OpenWorkbook ${EN} "Open the example workbook"

; The licence page: the line under the text names the button exactly as the
; button reads (NSIS's own Chinese line names another).
LangString LicenseButton ${ZH} "我接受(&I)"
LangString LicenseButton ${EN} "I &Agree"
LangString LicenseBottom ${ZH} "如果接受许可协议的条款，请单击“我接受(I)”。必须接受协议才能安装 Korvane。"
LangString LicenseBottom ${EN} "If you accept the terms of the agreement, click I Agree to continue. You must accept the agreement to install Korvane."

LangString GuideLink ${ZH} "使用说明"
LangString GuideLink ${EN} "Guide"
LangString WorkbookLink ${ZH} "示例账本"
LangString WorkbookLink ${EN} "Example workbook"
LangString StatusLink ${ZH} "Korvane 状态"
LangString StatusLink ${EN} "Korvane status"
LangString UninstallLink ${ZH} "卸载 Korvane"
LangString UninstallLink ${EN} "Uninstall Korvane"

; The name Windows shows while it sets up a user's logon (Active Setup).
LangString ActiveSetupName ${ZH} "Korvane 自定义函数（Excel 加载项）"
LangString ActiveSetupName ${EN} "Korvane custom functions (Excel add-in)"

; The Start-menu shortcuts in either language, whichever the setup made:
; the uninstaller removes these and no other file in the folder.
!macro DELETE_SHORTCUTS FOLDER
  Delete "${FOLDER}\使用说明.lnk"
  Delete "${FOLDER}\Korvane 状态.lnk"
  Delete "${FOLDER}\卸载 Korvane.lnk"
  Delete "${FOLDER}\示例账本.lnk"
  Delete "${FOLDER}\Guide.lnk"
  Delete "${FOLDER}\Korvane status.lnk"
  Delete "${FOLDER}\Uninstall Korvane.lnk"
  Delete "${FOLDER}\Example workbook.lnk"
!macroend
