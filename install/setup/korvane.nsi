; The Windows setup of Korvane, korvane-VERSION-setup.exe: the wizard a
; bookkeeper double-clicks, and the silent install IT scripts.
;
; One setup serves 32-bit and 64-bit Office: it carries the same folder as the
; release zip (korvane.exe, x64\ and x86\ with each bitness's korvane.dll and
; korvane.xll, x86\korvane.exe, the guide and the licence: the files marked
; `setup` in install/release-files.txt, which scripts/make-setup writes out as
; the include RELEASE_FILES names, with the macros that copy and remove
; them). The setup itself
; only puts files in place, makes the Start-menu folder and the entry in
; Apps & Features; everything Excel and COM see (the classes, Excel's list of
; add-ins it opens at start) is korvane.exe's job, the same code the zip's
; install.cmd runs, so no registry rule lives in two places:
;
;   install    1. Excel must be closed (Retry / Cancel), before anything changes;
;              2. an installation already in the chosen folder is moved aside
;                 (into the folder, where korvane.exe leaves it alone);
;              3. the files are copied;
;              4. `korvane.exe install --in-place [--machine] [--xll]` (the one
;                 of Windows' bitness, copied to the top) registers
;                 them there (and removes an older installation elsewhere);
;              5. the uninstaller, the Start-menu folder, the Apps & Features key.
;              When 3 or 4 fails, the copied files go and what was moved aside
;              comes back: never a half install.
;   uninstall  1. Excel must be closed;
;              2. `korvane.exe uninstall --keep-files [--machine]` takes the
;                 registration and Excel's entry out; when it cannot, nothing
;                 else is touched;
;              3. the files, the Start-menu folder and the key.
;
; The wizard speaks Simplified Chinese on a Chinese Windows and English
; elsewhere, chosen by the UI language without asking (strings.nsh).
; For whom: only me (the default, no administrator rights) or every user,
; which needs them: the setup runs with the user's rights and starts itself
; again elevated when every user is chosen.
;
; Command line (documented in 使用说明.txt):
;   /S            silent;  /ALLUSERS  for every user;  /XLL  Excel loads the XLL;
;   /D=FOLDER     where to install (last on the line, no quotes).
; Exit codes: 0 installed; 1 not installed (nothing changed, or rolled back);
;   2 a usage error or missing administrator rights; 3 a newer version is
;   already installed; 4 Excel is running. The uninstaller's are the same
;   (0, 1, 2, 4); its QuietUninstallString runs it in place (_?=) so that a
;   script gets them.
;
; Built by scripts/make-setup VERSION FOLDER OUT.exe (scripts/package runs it);
; -DICON=PATH and -DLICENSE=PATH default to the repository's, -DSIGN=scripts/sign
; signs the uninstaller.

Unicode true
ManifestDPIAware true
RequestExecutionLevel user
SetCompressor /SOLID lzma

!ifndef VERSION | FILES | OUTFILE | RELEASE_FILES
  !error "define VERSION, FILES (the release folder), OUTFILE and RELEASE_FILES (scripts/make-setup)"
!endif
!ifndef ICON
  !define ICON "${__FILEDIR__}\korvane.ico"
!endif
!ifndef LICENSE
  !define LICENSE "${__FILEDIR__}\..\..\LICENSE"
!endif
; The licence as a Chinese reader sees it (a summary in Chinese above the
; MIT text) and the side picture of the welcome and finish pages: both made
; by scripts/make-setup as the setup is built.
!ifndef LICENSE_ZH
  !define LICENSE_ZH "${LICENSE}"
!endif
!ifdef SIDE_PICTURE
  !define MUI_WELCOMEFINISHPAGE_BITMAP "${SIDE_PICTURE}"
!endif

; Signed builds (scripts/sign): the uninstaller is written into the setup
; as it is built, so it is signed then.
!ifdef SIGN
  !uninstfinalize '"${SIGN}" "%1"' = 0
!endif

!define PRODUCT "Korvane 自定义函数"
!define PUBLISHER "Korvane developers"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Korvane"

; The exit codes above.
!define EXIT_NOT_DONE 1
!define EXIT_USAGE 2
!define EXIT_NEWER 3
!define EXIT_EXCEL 4

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include WordFunc.nsh
!include x64.nsh
!include nsDialogs.nsh
; The release's files: RELEASE_TOOL (korvane.exe), RELEASE_GUIDE (the guide),
; the macros RELEASE_FILES and RELEASE_REMOVE.
!include "${RELEASE_FILES}"

Name "Korvane ${VERSION}"
OutFile "${OUTFILE}"
BrandingText "Korvane ${VERSION}"
ShowInstDetails show
ShowUninstDetails show

Var AllUsers    ; 1: every user of this computer; 0: only me
Var Xll         ; 1: Excel loads korvane.xll; 0: the automation add-in
Var Elevated    ; 1: this is the setup started again with administrator rights
Var ChosenDir   ; 1: the folder was given (/D=) and is not ours to change
Var Backup      ; an installation moved aside while this one goes in
Var Tool        ; the installed korvane.exe of Windows' bitness
Var Said        ; what korvane.exe said

; ---- pages -----------------------------------------------------------------------

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_WELCOMEPAGE_TITLE "$(WelcomeTitle)"
!define MUI_WELCOMEPAGE_TEXT "$(WelcomeText)"
!define MUI_PAGE_CUSTOMFUNCTION_PRE SkipWhenElevated
!insertmacro MUI_PAGE_WELCOME
!define MUI_PAGE_CUSTOMFUNCTION_PRE SkipWhenElevated
; The line under the licence names the button as the button reads.
!define MUI_LICENSEPAGE_TEXT_BOTTOM "$(LicenseBottom)"
!define MUI_LICENSEPAGE_BUTTON "$(LicenseButton)"
!insertmacro MUI_PAGE_LICENSE "$(LicenseText)"
Page custom ScopePage ScopePageLeave
Page custom AddInPage AddInPageLeave
!define MUI_PAGE_CUSTOMFUNCTION_LEAVE FolderPageLeave
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_TITLE "$(FinishTitle)"
!define MUI_FINISHPAGE_TEXT "$(FinishText)"
!define MUI_FINISHPAGE_SHOWREADME "$INSTDIR\${RELEASE_GUIDE}"
!define MUI_FINISHPAGE_SHOWREADME_TEXT "$(OpenGuide)"
!ifdef RELEASE_WORKBOOK
  ; The first box opens the example workbook: where a bookkeeper starts.
  !define MUI_FINISHPAGE_RUN
  !define MUI_FINISHPAGE_RUN_TEXT "$(OpenWorkbook)"
  !define MUI_FINISHPAGE_RUN_FUNCTION OpenWorkbook
!endif
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

; English first: the language of every Windows whose UI language is not Chinese.
!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "SimpChinese"
LicenseLangString LicenseText ${LANG_SIMPCHINESE} "${LICENSE_ZH}"
LicenseLangString LicenseText ${LANG_ENGLISH} "${LICENSE}"
!include "${__FILEDIR__}\strings.nsh"
!include "${__FILEDIR__}\active_setup.nsh"

; The version Explorer shows under Properties > Details, in both languages.
VIProductVersion "${VERSION}.0"
VIFileVersion "${VERSION}.0"
!macro VERSION_TABLE LANG DESCRIPTION
  VIAddVersionKey /LANG=${LANG} "ProductName" "Korvane"
  VIAddVersionKey /LANG=${LANG} "CompanyName" "${PUBLISHER}"
  VIAddVersionKey /LANG=${LANG} "FileDescription" "${DESCRIPTION}"
  VIAddVersionKey /LANG=${LANG} "FileVersion" "${VERSION}.0"
  VIAddVersionKey /LANG=${LANG} "ProductVersion" "${VERSION}.0"
  VIAddVersionKey /LANG=${LANG} "InternalName" "korvane-setup"
  VIAddVersionKey /LANG=${LANG} "OriginalFilename" "korvane-${VERSION}-setup.exe"
  VIAddVersionKey /LANG=${LANG} "LegalCopyright" "Copyright (c) 2026 ${PUBLISHER}, MIT License"
!macroend
!insertmacro VERSION_TABLE ${LANG_SIMPCHINESE} "Korvane 自定义函数安装程序"
!insertmacro VERSION_TABLE ${LANG_ENGLISH} "Korvane setup"

; ---- shared by the setup and its uninstaller --------------------------------------

!macro SHARED un
; $0 = 1 when this process has administrator rights.
Function ${un}IsAdmin
  UserInfo::GetAccountType
  Pop $0
  ${If} $0 == "Admin"
    StrCpy $0 1
  ${Else}
    StrCpy $0 0
  ${EndIf}
FunctionEnd

; Excel must not hold the files: Retry until it is closed, or Cancel (exit 4)
; with nothing changed.
Function ${un}WaitForExcel
  ${Do}
    FindWindow $0 "XLMAIN"
    ${If} $0 = 0
      Return
    ${EndIf}
    MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "$(ExcelRunning)" /SD IDCANCEL IDRETRY retry
    SetErrorLevel ${EXIT_EXCEL}
    Quit
    retry:
  ${Loop}
FunctionEnd

; Runs the installed korvane.exe with the arguments in $R0, hidden; $R1 is its
; exit code ("error" when it could not start), $Said what it printed. Its
; output goes through a file: korvane.exe writes UTF-8, which is read back as
; such (a pipe read by nsExec would be taken for the ANSI code page).
Function ${un}RunTool
  InitPluginsDir
  Delete "$PLUGINSDIR\said.txt"
  nsExec::Exec '"$SYSDIR\cmd.exe" /d /c ""$Tool" $R0 >"$PLUGINSDIR\said.txt" 2>&1"'
  Pop $R1
  StrCpy $Said ""
  System::Call 'kernel32::CreateFileW(w "$PLUGINSDIR\said.txt", i 0x80000000, i 1, p 0, i 3, i 0x80, p 0) p .r4'
  ${If} $4 P<> -1
    System::Alloc 3000
    Pop $5
    System::Call 'kernel32::ReadFile(p r4, p r5, i 3000, *i .r6, p 0)'
    System::Call 'kernel32::CloseHandle(p r4)'
    ${If} $6 > 0
      System::Call 'kernel32::MultiByteToWideChar(i 65001, i 0, p r5, i r6, w .r7, i ${NSIS_MAX_STRLEN}) i .r8'
      StrCpy $Said $7 $8
    ${EndIf}
    System::Free $5
  ${EndIf}
  ${Do}  ; without the line ends at the end
    StrCpy $9 $Said 1 -1
    ${If} $9 != "$\r"
    ${AndIf} $9 != "$\n"
      ${Break}
    ${EndIf}
    StrCpy $Said $Said -1
  ${Loop}
  DetailPrint "korvane.exe $R0: $R1"
  ${If} $Said != ""
    DetailPrint "$Said"
  ${EndIf}
FunctionEnd

; The installed korvane.exe: the one of Windows' bitness (see the install).
Function ${un}FindTool
  StrCpy $Tool "$INSTDIR\${RELEASE_TOOL}"
FunctionEnd

; Where the Start-menu folder and the Apps & Features key are: the user's or
; the machine's.
Function ${un}UseScope
  ${If} ${RunningX64}
    SetRegView 64
  ${EndIf}
  ${If} $AllUsers = 1
    SetShellVarContext all
  ${Else}
    SetShellVarContext current
  ${EndIf}
FunctionEnd
!macroend
!insertmacro SHARED ""
!insertmacro SHARED "un."

; ---- the command line and the start ---------------------------------------------

; $R0 = the parameters; each must be one of ours (NSIS itself takes /S, /NCRC
; and /D=, which comes last). A misspelt switch is a usage error, not ignored.
Function CheckSwitches
  ${GetParameters} $R0
  StrCpy $R0 "$R0 "  ; every word then ends in a space
  StrCpy $R1 1
  ${Do}
    ClearErrors
    ${WordFind} "$R0" " " "E+$R1" $R2
    ${If} ${Errors}
      Return
    ${EndIf}
    ${If} $R2 == ""
      IntOp $R1 $R1 + 1
      ${Continue}
    ${EndIf}
    StrCpy $R3 $R2 3
    ${If} $R3 == "/D="
      Return
    ${EndIf}
    ${IfNot} $R2 == "/S"
    ${AndIfNot} $R2 == "/NCRC"
    ${AndIfNot} $R2 == "/ALLUSERS"
    ${AndIfNot} $R2 == "/XLL"
    ${AndIfNot} $R2 == "/ELEVATED"
      MessageBox MB_ICONSTOP "$(UnknownSwitch) $R2$\n$\n$(Usage)" /SD IDOK
      SetErrorLevel ${EXIT_USAGE}
      Quit
    ${EndIf}
    IntOp $R1 $R1 + 1
  ${Loop}
FunctionEnd

; $R9 = the newest version installed, for anyone, by this setup (its key) or
; from the zip (a version folder under Korvane), when newer than this one.
Function FindNewer
  StrCpy $R9 ""
  ${If} ${RunningX64}
    SetRegView 64
  ${EndIf}
  ReadRegStr $R0 HKCU "${UNINSTALL_KEY}" "DisplayVersion"
  Call KeepIfNewer
  ReadRegStr $R0 HKLM "${UNINSTALL_KEY}" "DisplayVersion"
  Call KeepIfNewer
  SetShellVarContext current
  StrCpy $R1 "$LOCALAPPDATA\Programs\Korvane"
  Call NewerFolders
  StrCpy $R1 "$PROGRAMFILES64\Korvane"
  Call NewerFolders
FunctionEnd

Function NewerFolders  ; the version folders under $R1
  FindFirst $R2 $R0 "$R1\*"
  ${DoWhile} $R0 != ""
    StrCpy $R3 $R0 1
    ${If} ${FileExists} "$R1\$R0\*.*"
    ${AndIf} $R3 >= "0"
    ${AndIf} $R3 <= "9"
      Call KeepIfNewer
    ${EndIf}
    FindNext $R2 $R0
  ${Loop}
  FindClose $R2
FunctionEnd

Function KeepIfNewer  ; $R0 a version
  ${If} $R0 == ""
    Return
  ${EndIf}
  ${VersionCompare} "$R0" "${VERSION}" $R4
  ${If} $R4 = 1
    ${If} $R9 == ""
      StrCpy $R9 $R0
    ${Else}
      ${VersionCompare} "$R0" "$R9" $R4
      ${If} $R4 = 1
        StrCpy $R9 $R0
      ${EndIf}
    ${EndIf}
  ${EndIf}
FunctionEnd

; The folder for the scope chosen: the one the previous setup used when it
; was not the standard one (a folder the user picked), otherwise the standard
; one for this version, where korvane.exe install puts the zip's files too.
Function DefaultFolder
  ${If} $ChosenDir = 1
    Return
  ${EndIf}
  SetShellVarContext current
  ${If} $AllUsers = 1
    StrCpy $R1 "$PROGRAMFILES64\Korvane"
    ReadRegStr $R0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ${Else}
    StrCpy $R1 "$LOCALAPPDATA\Programs\Korvane"
    ReadRegStr $R0 HKCU "${UNINSTALL_KEY}" "InstallLocation"
  ${EndIf}
  ${GetParent} "$R0" $R2
  ${If} $R0 != ""
  ${AndIf} $R2 != $R1
    StrCpy $INSTDIR $R0
  ${Else}
    StrCpy $INSTDIR "$R1\${VERSION}"
  ${EndIf}
FunctionEnd

Function .onInit
  Call CheckSwitches
  ; One setup at a time: two copying into one folder would mix their files.
  System::Call 'kernel32::CreateMutexW(p 0, i 0, w "Korvane-setup") p .r1 ?e'
  Pop $0
  ${If} $0 = 183  ; ERROR_ALREADY_EXISTS
    MessageBox MB_ICONSTOP "$(AlreadyRunning)" /SD IDOK
    SetErrorLevel ${EXIT_NOT_DONE}
    Quit
  ${EndIf}
  ${If} ${RunningX64}
    SetRegView 64
  ${EndIf}
  ${GetParameters} $R0
  ${GetOptions} $R0 "/ALLUSERS" $R1
  ${IfNot} ${Errors}
    StrCpy $AllUsers 1
  ${EndIf}
  ${GetOptions} $R0 "/XLL" $R1
  ${IfNot} ${Errors}
    StrCpy $Xll 1
  ${Else}
    ; An upgrade keeps the add-in the user had.
    ReadRegStr $R1 HKCU "${UNINSTALL_KEY}" "KorvaneAddIn"
    ReadRegStr $R2 HKLM "${UNINSTALL_KEY}" "KorvaneAddIn"
    ${If} $R1 == "xll"
    ${OrIf} $R2 == "xll"
      StrCpy $Xll 1
    ${EndIf}
  ${EndIf}
  ${GetOptions} $R0 "/ELEVATED" $R1
  ${IfNot} ${Errors}
    StrCpy $Elevated 1
  ${EndIf}
  ${If} $INSTDIR != ""
    StrCpy $ChosenDir 1
  ${EndIf}

  Call FindNewer
  ${If} $R9 != ""
    MessageBox MB_ICONSTOP "$(NewerInstalled)" /SD IDOK
    SetErrorLevel ${EXIT_NEWER}
    Quit
  ${EndIf}
  ${If} $AllUsers = 1
    Call IsAdmin
    ${If} $0 = 0
    ${AndIf} ${Silent}
      SetErrorLevel ${EXIT_USAGE}
      Quit
    ${EndIf}
  ${EndIf}
  Call DefaultFolder
FunctionEnd

Function SkipWhenElevated
  ${If} $Elevated = 1
    Abort
  ${EndIf}
FunctionEnd

!ifdef RELEASE_WORKBOOK
; The finish page's first box: the example workbook, in whatever opens .xlsx
; files (Excel, which now loads the add-in).
Function OpenWorkbook
  ExecShell "open" "$INSTDIR\${RELEASE_WORKBOOK}"
FunctionEnd
!endif

; ---- 为谁安装: only me, or every user ---------------------------------------------

Var RadioUser
Var RadioAll

Function ScopePage
  Call SkipWhenElevated
  !insertmacro MUI_HEADER_TEXT "$(ScopeTitle)" "$(ScopeSubtitle)"
  nsDialogs::Create 1018
  Pop $0
  ${NSD_CreateRadioButton} 0 0 100% 12u "$(ScopeUser)"
  Pop $RadioUser
  ${NSD_CreateLabel} 12u 14u -12u 24u "$(ScopeUserNote)"
  Pop $0
  ${NSD_CreateRadioButton} 0 46u 100% 12u "$(ScopeAll)"
  Pop $RadioAll
  ${NSD_CreateLabel} 12u 60u -12u 24u "$(ScopeAllNote)"
  Pop $0
  ${If} $AllUsers = 1
    ${NSD_Check} $RadioAll
  ${Else}
    ${NSD_Check} $RadioUser
  ${EndIf}
  nsDialogs::Show
FunctionEnd

; Every user needs administrator rights: without them, this setup starts
; itself again elevated (Windows asks) and ends; the elevated one goes on
; from the next page.
Function ScopePageLeave
  ${NSD_GetState} $RadioAll $0
  ${If} $0 = ${BST_CHECKED}
    StrCpy $AllUsers 1
  ${Else}
    StrCpy $AllUsers 0
  ${EndIf}
  Call DefaultFolder
  ${If} $AllUsers = 1
    Call IsAdmin
    ${If} $0 = 0
      StrCpy $R0 "/ALLUSERS /ELEVATED"
      ${If} $Xll = 1
        StrCpy $R0 "$R0 /XLL"
      ${EndIf}
      HideWindow
      ExecShellWait "runas" "$EXEPATH" "$R0"
      Quit
    ${EndIf}
  ${EndIf}
FunctionEnd

; ---- 加载方式: the automation add-in or the XLL -----------------------------------

Var RadioAutomation
Var RadioXll

Function AddInPage
  !insertmacro MUI_HEADER_TEXT "$(AddInTitle)" "$(AddInSubtitle)"
  nsDialogs::Create 1018
  Pop $0
  ${NSD_CreateRadioButton} 0 0 100% 12u "$(AddInAutomation)"
  Pop $RadioAutomation
  ${NSD_CreateLabel} 12u 14u -12u 24u "$(AddInAutomationNote)"
  Pop $0
  ${NSD_CreateRadioButton} 0 44u 100% 12u "$(AddInXll)"
  Pop $RadioXll
  ${NSD_CreateLabel} 12u 58u -12u 24u "$(AddInXllNote)"
  Pop $0
  ${NSD_CreateLabel} 0 94u 100% 24u "$(AddInEither)"
  Pop $0
  ${If} $Xll = 1
    ${NSD_Check} $RadioXll
  ${Else}
    ${NSD_Check} $RadioAutomation
  ${EndIf}
  nsDialogs::Show
FunctionEnd

Function AddInPageLeave
  ${NSD_GetState} $RadioXll $0
  ${If} $0 = ${BST_CHECKED}
    StrCpy $Xll 1
  ${Else}
    StrCpy $Xll 0
  ${EndIf}
FunctionEnd

; ---- 安装位置 -----------------------------------------------------------------------

; A folder that holds other things than an installation of ours is not ours
; to fill, move aside or remove later.
Function FolderPageLeave
  Call IsForeignFolder
  ${If} $0 = 1
    MessageBox MB_ICONEXCLAMATION "$(FolderNotEmpty)"
    Abort
  ${EndIf}
FunctionEnd

Function IsForeignFolder  ; $0 = 1 when $INSTDIR holds something and no korvane.exe
  StrCpy $0 0
  ${If} ${FileExists} "$INSTDIR\*.*"
  ${AndIfNot} ${FileExists} "$INSTDIR\${RELEASE_TOOL}"
    FindFirst $1 $2 "$INSTDIR\*"
    ${DoWhile} $2 != ""
      ${If} $2 != "."
      ${AndIf} $2 != ".."
        StrCpy $0 1
      ${EndIf}
      FindNext $1 $2
    ${Loop}
    FindClose $1
  ${EndIf}
FunctionEnd

; ---- the install ------------------------------------------------------------------

; Takes out what this setup copied and brings back what it moved aside.
Function RollBack
  SetOutPath $TEMP
  ${If} $Backup != ""
    Rename "$Backup" "$INSTDIR.korvane-old"
    RMDir /r "$INSTDIR"
    Rename "$INSTDIR.korvane-old" "$INSTDIR"
  ${Else}
    RMDir /r "$INSTDIR"
    Call RemoveEmptyParent
  ${EndIf}
FunctionEnd

; The standard folders are VERSION under a Korvane folder: that goes too
; when nothing else is left in it.
!macro REMOVE_EMPTY_PARENT un
Function ${un}RemoveEmptyParent
  ${GetParent} "$INSTDIR" $R5
  ${GetFileName} "$R5" $R6
  ${If} $R6 == "Korvane"
    RMDir "$R5"
  ${EndIf}
FunctionEnd
!macroend
!insertmacro REMOVE_EMPTY_PARENT ""
!insertmacro REMOVE_EMPTY_PARENT "un."

Function Fail  ; $R0 the message; exit 1 with nothing changed
  Call RollBack
  ${WordReplace} "$R0" "$\r" "" "+" $R7  ; one line in the list of details
  ${WordReplace} "$R7" "$\n" " " "+" $R7
  DetailPrint "$R7"
  MessageBox MB_ICONSTOP "$R0" /SD IDOK
  SetErrorLevel ${EXIT_NOT_DONE}
  Abort
FunctionEnd

; The entry in Apps & Features; $R3 the size in KiB.
!macro WRITE_KEY ROOT
  WriteRegStr ${ROOT} "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr ${ROOT} "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr ${ROOT} "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr ${ROOT} "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\${RELEASE_TOOL},0"
  WriteRegStr ${ROOT} "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr ${ROOT} "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  ; _?= runs the uninstaller where it is, not from a copy in the temporary
  ; folder, so that a script waiting for it gets the uninstall's exit code.
  WriteRegStr ${ROOT} "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S _?=$INSTDIR'
  WriteRegDWORD ${ROOT} "${UNINSTALL_KEY}" "EstimatedSize" $R3
  WriteRegDWORD ${ROOT} "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD ${ROOT} "${UNINSTALL_KEY}" "NoRepair" 1
  ${If} $Xll = 1
    WriteRegStr ${ROOT} "${UNINSTALL_KEY}" "KorvaneAddIn" "xll"
  ${Else}
    WriteRegStr ${ROOT} "${UNINSTALL_KEY}" "KorvaneAddIn" "automation"
  ${EndIf}
!macroend

Section "Korvane" Main
  SectionIn RO
  ; 1. Excel closed; the folder ours, rights for every user.
  Call WaitForExcel
  Call IsForeignFolder
  ${If} $0 = 1
    MessageBox MB_ICONSTOP "$(FolderNotEmpty)" /SD IDOK
    SetErrorLevel ${EXIT_USAGE}
    Abort
  ${EndIf}
  Call UseScope

  ; 2. An installation already in this folder moves aside: into the new
  ;    folder itself, as korvane-old, because korvane.exe install removes
  ;    every other folder beside the installation as an older version.
  StrCpy $Backup ""
  ${If} ${FileExists} "$INSTDIR\*.*"
    RMDir /r "$INSTDIR.korvane-old"
    ClearErrors
    Rename "$INSTDIR" "$INSTDIR.korvane-old"
    ${If} ${Errors}
      StrCpy $R0 "$(FilesInUse)"
      Call Fail
    ${EndIf}
    CreateDirectory "$INSTDIR"
    Rename "$INSTDIR.korvane-old" "$INSTDIR\korvane-old"
    StrCpy $Backup "$INSTDIR\korvane-old"
  ${EndIf}

  ; 3. The files, as the release zip lays them out; korvane.exe of Windows'
  ;    bitness at the top, where korvane.exe install finds the release: on
  ;    32-bit Windows that is the 32-bit one.
  ClearErrors
  SetOverwrite try
  !insertmacro RELEASE_FILES
  WriteUninstaller "$INSTDIR\uninstall.exe"
  ${If} ${Errors}
    StrCpy $R0 "$(CopyFailed) $INSTDIR"
    Call Fail
  ${EndIf}

  ; 4. Registration, by korvane.exe itself.
  Call FindTool
  StrCpy $R0 "install --in-place"
  ${If} $AllUsers = 1
    StrCpy $R0 "$R0 --machine"
  ${EndIf}
  ${If} $Xll = 1
    StrCpy $R0 "$R0 --xll"
  ${EndIf}
  Call RunTool
  ${If} $R1 != 0
    StrCpy $R0 "$(RegisterFailed)$\n$\n$Said"
    Call Fail
  ${EndIf}
  ${If} $Backup != ""
    RMDir /r "$Backup"
  ${EndIf}

  ; 5. The Start-menu folder and the entry in Apps & Features.
  CreateDirectory "$SMPROGRAMS\Korvane"
  CreateShortCut "$SMPROGRAMS\Korvane\$(GuideLink).lnk" "$INSTDIR\${RELEASE_GUIDE}"
  !ifdef RELEASE_WORKBOOK
    CreateShortCut "$SMPROGRAMS\Korvane\$(WorkbookLink).lnk" "$INSTDIR\${RELEASE_WORKBOOK}"
  !endif
  CreateShortCut "$SMPROGRAMS\Korvane\$(StatusLink).lnk" "$SYSDIR\cmd.exe" \
    '/k "chcp 65001 >nul & "$Tool" status"' "$INSTDIR\${RELEASE_TOOL}" 0
  CreateShortCut "$SMPROGRAMS\Korvane\$(UninstallLink).lnk" "$INSTDIR\uninstall.exe"
  ${GetSize} "$INSTDIR" "/S=0K" $R3 $R4 $R5
  ${If} $AllUsers = 1
    !insertmacro WRITE_KEY HKLM
    !insertmacro ACTIVE_SETUP_REGISTER
  ${Else}
    !insertmacro WRITE_KEY HKCU
  ${EndIf}
SectionEnd


; ---- the uninstall ----------------------------------------------------------------

; For every user when the machine's key names this folder; that needs
; administrator rights, so without them the uninstaller starts itself
; again elevated (interactive) or ends with exit 2 (silent).
Function un.onInit
  ${If} ${RunningX64}
    SetRegView 64
  ${EndIf}
  StrCpy $AllUsers 0
  ReadRegStr $R0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $R0 == $INSTDIR
    StrCpy $AllUsers 1
    Call un.IsAdmin
    ${If} $0 = 0
      ${If} ${Silent}
        SetErrorLevel ${EXIT_USAGE}
      ${Else}
        ExecShellWait "runas" "$INSTDIR\uninstall.exe"
      ${EndIf}
      Quit
    ${EndIf}
  ${EndIf}
FunctionEnd

Section "Uninstall"
  ; 1. Excel closed.
  Call un.WaitForExcel
  Call un.UseScope
  ; 2. The registration and Excel's entry; if that cannot be done, nothing else is.
  Call un.FindTool
  ${If} ${FileExists} "$Tool"
    StrCpy $R0 "uninstall --keep-files"
    ${If} $AllUsers = 1
      StrCpy $R0 "$R0 --machine"
    ${EndIf}
    Call un.RunTool
    ${If} $R1 != 0
      MessageBox MB_ICONSTOP "$(UnregisterFailed)$\n$\n$Said" /SD IDOK
      SetErrorLevel ${EXIT_NOT_DONE}
      Abort
    ${EndIf}
  ${EndIf}
  ; 3. The files (the folder only when nothing else is left in it), the
  ;    Start-menu folder and the key.
  !insertmacro RELEASE_REMOVE
  SetOutPath $TEMP
  ${If} $EXEDIR == $INSTDIR
    ; Run where it is (_?=): this uninstaller cannot delete itself while it
    ; runs, so a hidden command does, and the folder, once it has ended.
    StrCpy $R0 'ping -n 3 127.0.0.1 >nul & del /f /q "$INSTDIR\uninstall.exe" & rmdir "$INSTDIR"'
    ${GetParent} "$INSTDIR" $R5
    ${GetFileName} "$R5" $R6
    ${If} $R6 == "Korvane"
      StrCpy $R0 '$R0 & rmdir "$R5"'
    ${EndIf}
    ExecShell "" "$SYSDIR\cmd.exe" '/d /c $R0' SW_HIDE
  ${Else}
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"
    Call un.RemoveEmptyParent
  ${EndIf}
  RMDir /r "$SMPROGRAMS\Korvane"
  ${If} $AllUsers = 1
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
    !insertmacro ACTIVE_SETUP_REMOVE
  ${Else}
    DeleteRegKey HKCU "${UNINSTALL_KEY}"
  ${EndIf}
SectionEnd
