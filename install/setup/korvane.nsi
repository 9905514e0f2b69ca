; The Windows setup of Korvane, korvane-VERSION-setup.exe: the wizard a
; bookkeeper double-clicks, and the silent install IT scripts.
;
; One setup serves 32-bit and 64-bit Office: it carries the same folder as the
; release zip (korvane.exe, x64\ and x86\ with each bitness's korvane.dll and
; korvane.xll, x86\korvane.exe, the guide and the licence: the files marked
; `setup` in install/release-files.txt, which scripts/make-setup writes out as
; the include RELEASE_FILES names, with the macro that lays them out).
;
; The rule for files: we delete exactly the files we installed, and folders
; only when they are then empty. That rule has one home, korvane.exe: it
; copies a release into a folder, keeps the record of what it put there
; (korvane-files.txt), replaces or removes exactly those files, and registers
; them for Excel and COM, with a journal that a killed run's successor finishes
; or rolls back. The setup owns only its own things: uninstall.exe, the
; Start-menu folder and the Apps & Features entry.
;
;   install    1. Excel must be closed (Retry / Cancel), before anything changes;
;                 a folder holding things that are not an installation of ours
;                 is refused (exit 2), before anything changes;
;              2. the release is laid out in the setup's temporary folder and
;                 its korvane.exe (of Windows' bitness) runs
;                 `install --folder DIR --by-setup [--machine] [--xll|--automation]`:
;                 it changes nothing when it fails, and the setup says why;
;              3. uninstall.exe; an installation of this setup in another
;                 folder (an earlier /D=) is removed by korvane.exe uninstall,
;                 so that one installation is left;
;              4. the Start-menu folder and the Apps & Features key.
;   uninstall  1. the folder (_?=, or the uninstaller's own) must hold an
;                 installation of ours, else exit 2 with nothing removed;
;              2. Excel must be closed;
;              3. korvane.exe (of Windows' bitness, else x86\korvane.exe; with
;                 neither, exit 1 with nothing removed) runs
;                 `uninstall --folder DIR --by-setup [--machine]`: it checks
;                 that every file can go before anything changes, removes the
;                 registrations pointing into DIR and the files it recorded;
;                 when it cannot, nothing else is touched;
;              4. uninstall.exe, the folder when empty, and, when the entry
;                 names this folder, the Start-menu folder and the entry.
;
; The wizard speaks Simplified Chinese on a Chinese Windows and English
; elsewhere, chosen by the UI language without asking (strings.nsh).
; For whom: only me (the default, no administrator rights) or every user,
; which needs them: the setup runs with the user's rights and starts itself
; again elevated when every user is chosen.
;
; Command line (documented in 使用说明.txt), switches in any case:
;   /S  silent;  /ALLUSERS  for every user;  /XLL or /AUTOMATION  the add-in
;   Excel loads (without either an upgrade keeps the one chosen before);
;   /D=FOLDER  where to install: last on the line, taking the rest of it,
;   quoted or not; a drive's root or a relative folder is refused.
; NSIS reads /S, /NCRC and /D= itself only in upper case and drops a /D= it
; cannot use, so the setup reads its whole command line again itself.
; Exit codes: 0 installed; 1 not installed (nothing changed); 2 a usage error,
;   a folder that is not ours, or missing administrator rights; 3 a newer
;   version is already installed; 4 Excel is running. The uninstaller's are the
;   same (0, 1, 2, 4); its QuietUninstallString runs it in place (_?=) so that
;   a script gets them.
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
Var Kind        ; xll, automation, or "" (silent without either: as chosen before)
Var Elevated    ; 1: this is the setup started again with administrator rights
Var Silent      ; 1: /S in any case
Var ChosenDir   ; 1: the folder was given (/D=)
Var Tool        ; the korvane.exe that does the work
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
!include "${__FILEDIR__}\switches.nsh"

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

!define RECORD "korvane-files.txt"      ; what korvane.exe installed in a folder
!define JOURNAL "korvane-replacing"     ; its half-done replacement, finished by the next run
!define NOTE_KEY "Software\Korvane"     ; korvane.exe's note: Folder, AddIn, Route

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

; Runs $Tool with the arguments in $R0, hidden; $R1 is its exit code
; ("error" when it could not start), $Said what it printed. Its output goes
; through a file: korvane.exe writes UTF-8, which is read back as such (a
; pipe read by nsExec would be taken for the ANSI code page).
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

; $1 = 1 when the registry names $R8 as a folder of ours: the Apps & Features
; entry or korvane.exe's note, for the user or the machine. (A folder an older
; release installed has no record; it is ours by these.)
Function ${un}NamedOurs
  StrCpy $1 1
  ReadRegStr $2 HKCU "${UNINSTALL_KEY}" "InstallLocation"
  ${IfThen} $2 == $R8 ${|} Return ${|}
  ReadRegStr $2 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ${IfThen} $2 == $R8 ${|} Return ${|}
  ReadRegStr $2 HKCU "${NOTE_KEY}" "Folder"
  ${IfThen} $2 == $R8 ${|} Return ${|}
  ReadRegStr $2 HKLM "${NOTE_KEY}" "Folder"
  ${IfThen} $2 == $R8 ${|} Return ${|}
  StrCpy $1 0
FunctionEnd

; $0 for the folder $R8: 0 missing or empty, 1 an installation of ours (its
; record, a journal korvane.exe left, or the registry names it), 2 anything
; else: a folder that is not ours to fill, replace or empty.
Function ${un}FolderState
  StrCpy $0 0
  FindFirst $1 $2 "$R8\*"
  ${DoWhile} $2 != ""
    ${If} $2 != "."
    ${AndIf} $2 != ".."
      StrCpy $0 2
      ${Break}
    ${EndIf}
    FindNext $1 $2
  ${Loop}
  FindClose $1
  ${If} $0 = 0
    Return
  ${EndIf}
  ${If} ${FileExists} "$R8\${RECORD}"
  ${OrIf} ${FileExists} "$R8\${JOURNAL}\*.*"
    StrCpy $0 1
    Return
  ${EndIf}
  Call ${un}NamedOurs
  ${If} $1 = 1
    StrCpy $0 1
  ${EndIf}
FunctionEnd

; The standard folders are VERSION under a Korvane folder: once the folder
; $R8 is gone, that goes too when nothing else is left in it.
Function ${un}RemoveEmptyParent
  ${GetParent} "$R8" $R5
  ${GetFileName} "$R5" $R6
  ${If} $R6 == "Korvane"
    RMDir "$R5"
  ${EndIf}
FunctionEnd

!macroend
!insertmacro SHARED ""
!insertmacro SHARED "un."

; ---- the command line and the start ---------------------------------------------

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

; The add-in chosen before, for the wizard's page: korvane.exe's note,
; whichever route wrote it, for the user or the machine.
Function KindBefore
  ReadRegStr $R1 HKCU "${NOTE_KEY}" "AddIn"
  ReadRegStr $R2 HKLM "${NOTE_KEY}" "AddIn"
  ${If} $R1 == "xll"
  ${OrIf} $R2 == "xll"
    StrCpy $R0 "xll"
  ${Else}
    StrCpy $R0 "automation"
  ${EndIf}
FunctionEnd

Function .onInit
  StrCpy $AllUsers 0
  StrCpy $Silent 0
  Call ReadSwitches
  ${If} $Silent = 1
    SetSilent silent
  ${EndIf}
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
; from the next page, with the switches given (a /D= last).
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
      ${If} $Kind != ""
        StrCpy $R0 "$R0 /$Kind"
      ${EndIf}
      ${If} $ChosenDir = 1
        StrCpy $R0 '$R0 /D="$INSTDIR"'
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
  StrCpy $R0 $Kind
  ${If} $R0 == ""
    Call KindBefore
  ${EndIf}
  ${If} $R0 == "xll"
    ${NSD_Check} $RadioXll
  ${Else}
    ${NSD_Check} $RadioAutomation
  ${EndIf}
  nsDialogs::Show
FunctionEnd

Function AddInPageLeave
  ${NSD_GetState} $RadioXll $0
  ${If} $0 = ${BST_CHECKED}
    StrCpy $Kind "xll"
  ${Else}
    StrCpy $Kind "automation"
  ${EndIf}
FunctionEnd

; ---- 安装位置 -----------------------------------------------------------------------

; A folder that holds other things than an installation of ours is not ours
; to fill, replace or empty later.
Function FolderPageLeave
  StrCpy $R8 $INSTDIR
  Call FolderState
  ${If} $0 = 2
    MessageBox MB_ICONEXCLAMATION "$(FolderNotEmpty)"
    Abort
  ${EndIf}
FunctionEnd

; ---- the install ------------------------------------------------------------------

; Ends the install with the message $R0 and the exit code $R1.
Function Fail
  ${WordReplace} "$R0" "$\r" "" "+" $R7  ; one line in the list of details
  ${WordReplace} "$R7" "$\n" " " "+" $R7
  DetailPrint "$R7"
  MessageBox MB_ICONSTOP "$R0" /SD IDOK
  SetErrorLevel $R1
  Abort
FunctionEnd

; The entry in Apps & Features; $R3 the size in KiB. Every path in it is
; quoted: deployment tools run the QuietUninstallString with cmd /c "…", where
; an unquoted & or ( in the folder's name would end the command. NSIS finds
; the folder after the last " _?=" on the line and takes the rest of it, so
; the quote opens before that space and the uninstaller drops the closing one.
!macro WRITE_KEY ROOT
  WriteRegStr ${ROOT} "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr ${ROOT} "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr ${ROOT} "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr ${ROOT} "${UNINSTALL_KEY}" "DisplayIcon" '"$INSTDIR\${RELEASE_TOOL}",0'
  WriteRegStr ${ROOT} "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr ${ROOT} "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  ; _?= runs the uninstaller where it is, not from a copy in the temporary
  ; folder, so that a script waiting for it gets the uninstall's exit code.
  WriteRegStr ${ROOT} "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S " _?=$INSTDIR"'
  WriteRegDWORD ${ROOT} "${UNINSTALL_KEY}" "EstimatedSize" $R3
  WriteRegDWORD ${ROOT} "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD ${ROOT} "${UNINSTALL_KEY}" "NoRepair" 1
  DeleteRegValue ${ROOT} "${UNINSTALL_KEY}" "KorvaneAddIn"  ; an older setup's; the note has it
!macroend

Section "Korvane" Main
  SectionIn RO
  ; 1. Excel closed; the folder empty or ours.
  Call WaitForExcel
  StrCpy $R8 $INSTDIR
  Call FolderState
  ${If} $0 = 2
    StrCpy $R0 "$(FolderNotEmpty)$\r$\n$INSTDIR"
    StrCpy $R1 ${EXIT_USAGE}
    Call Fail
  ${EndIf}
  Call UseScope
  ${If} $AllUsers = 1
    ReadRegStr $R8 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ${Else}
    ReadRegStr $R8 HKCU "${UNINSTALL_KEY}" "InstallLocation"
  ${EndIf}

  ; 2. The release, as the zip lays it out, in the temporary folder; its
  ;    korvane.exe (of Windows' bitness) copies it into the folder and
  ;    registers it, or changes nothing.
  InitPluginsDir
  ClearErrors
  SetOverwrite on
  !insertmacro RELEASE_FILES "$PLUGINSDIR\release"
  ${If} ${Errors}
    StrCpy $R0 "$(CopyFailed) $PLUGINSDIR"
    StrCpy $R1 ${EXIT_NOT_DONE}
    Call Fail
  ${EndIf}
  StrCpy $Tool "$PLUGINSDIR\release\${RELEASE_TOOL}"
  StrCpy $R0 'install --folder "$INSTDIR" --by-setup'
  ${If} $AllUsers = 1
    StrCpy $R0 "$R0 --machine"
  ${EndIf}
  ${If} $Kind != ""
    StrCpy $R0 "$R0 --$Kind"
  ${EndIf}
  Call RunTool
  ${If} $R1 != 0
    StrCpy $R0 "$(RegisterFailed)$\r$\n$\r$\n$Said"
    ${If} $R1 != ${EXIT_USAGE}
      StrCpy $R1 ${EXIT_NOT_DONE}
    ${EndIf}
    Call Fail
  ${EndIf}

  ; 3. The uninstaller; and an installation of this setup in another folder
  ;    (an earlier /D=) goes, its registrations now pointing here: one
  ;    installation, one entry. The user's files there stay.
  ClearErrors
  WriteUninstaller "$INSTDIR\uninstall.exe"
  ${If} ${Errors}
    StrCpy $R0 "$(UninstallerFailed) $INSTDIR"
    StrCpy $R1 ${EXIT_NOT_DONE}
    Call Fail
  ${EndIf}
  ${If} $R8 != ""
  ${AndIf} $R8 != $INSTDIR
  ${AndIf} ${FileExists} "$R8\*.*"
    StrCpy $R0 'uninstall --folder "$R8" --by-setup'
    ${If} $AllUsers = 1
      StrCpy $R0 "$R0 --machine"
    ${EndIf}
    Call RunTool
    ${If} $R1 = 0
      Delete "$R8\uninstall.exe"
      RMDir "$R8"
      Call RemoveEmptyParent
    ${Else}
      MessageBox MB_ICONEXCLAMATION "$(PreviousLeft) $R8$\r$\n$\r$\n$Said" /SD IDOK
      SetErrorLevel ${EXIT_NOT_DONE}
    ${EndIf}
  ${EndIf}

  ; 4. The Start-menu folder and the entry in Apps & Features.
  SetOutPath "$INSTDIR"
  CreateDirectory "$SMPROGRAMS\Korvane"
  CreateShortCut "$SMPROGRAMS\Korvane\$(GuideLink).lnk" "$INSTDIR\${RELEASE_GUIDE}"
  !ifdef RELEASE_WORKBOOK
    CreateShortCut "$SMPROGRAMS\Korvane\$(WorkbookLink).lnk" "$INSTDIR\${RELEASE_WORKBOOK}"
  !endif
  CreateShortCut "$SMPROGRAMS\Korvane\$(StatusLink).lnk" "$SYSDIR\cmd.exe" \
    '/k "chcp 65001 >nul & "$INSTDIR\${RELEASE_TOOL}" status"' "$INSTDIR\${RELEASE_TOOL}" 0
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

; The switches (/S in any case; NSIS has taken the folder after _?=, and a
; quote closing it), then the folder: it must hold an installation of ours,
; else nothing is removed (exit 2). For every user when the machine's key
; names it: that needs administrator rights, so without them the
; uninstaller starts itself again elevated (interactive) or ends with exit 2.
Function un.onInit
  StrCpy $Silent 0
  Call un.ReadSwitches
  ${If} $Silent = 1
    SetSilent silent
  ${EndIf}
  ${Do}
    StrCpy $R1 $INSTDIR 1 -1
    ${If} $R1 != '"'
    ${AndIf} $R1 != "\"
    ${AndIf} $R1 != " "
      ${Break}
    ${EndIf}
    StrCpy $INSTDIR $INSTDIR -1
  ${Loop}

  ${If} ${RunningX64}
    SetRegView 64
  ${EndIf}
  StrCpy $R8 $INSTDIR
  Call un.FolderState
  ${If} $0 != 1
    StrCpy $R9 "$(NotOurs)$\r$\n$INSTDIR"
    MessageBox MB_ICONSTOP "$R9" /SD IDOK
    SetErrorLevel ${EXIT_USAGE}
    Quit
  ${EndIf}
  StrCpy $AllUsers 0
  ReadRegStr $R0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ReadRegStr $R1 HKLM "${NOTE_KEY}" "Folder"
  ${If} $R0 == $INSTDIR
  ${OrIf} $R1 == $INSTDIR
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
  ; 2. korvane.exe removes the registrations pointing here and the files it
  ;    recorded, after checking that every one can go; if it cannot, or no
  ;    korvane.exe is left to do it, nothing else is touched. It runs from
  ;    the temporary folder, so that it holds nothing here.
  ${If} ${FileExists} "$INSTDIR\${RELEASE_TOOL}"
    StrCpy $R0 "$INSTDIR\${RELEASE_TOOL}"
  ${ElseIf} ${FileExists} "$INSTDIR\${RELEASE_TOOL_X86}"
    StrCpy $R0 "$INSTDIR\${RELEASE_TOOL_X86}"
  ${Else}
    MessageBox MB_ICONSTOP "$(ToolMissing)$\r$\n$INSTDIR" /SD IDOK
    SetErrorLevel ${EXIT_NOT_DONE}
    Abort
  ${EndIf}
  InitPluginsDir
  ClearErrors
  CopyFiles /SILENT "$R0" "$PLUGINSDIR\korvane.exe"
  ${If} ${Errors}
    MessageBox MB_ICONSTOP "$(UnregisterFailed)$\r$\n$\r$\n$R0" /SD IDOK
    SetErrorLevel ${EXIT_NOT_DONE}
    Abort
  ${EndIf}
  StrCpy $Tool "$PLUGINSDIR\korvane.exe"
  StrCpy $R0 'uninstall --folder "$INSTDIR" --by-setup'
  ${If} $AllUsers = 1
    StrCpy $R0 "$R0 --machine"
  ${EndIf}
  Call un.RunTool
  ${If} $R1 != 0
    MessageBox MB_ICONSTOP "$(UnregisterFailed)$\r$\n$\r$\n$Said" /SD IDOK
    ${If} $R1 != ${EXIT_USAGE}
      StrCpy $R1 ${EXIT_NOT_DONE}
    ${EndIf}
    SetErrorLevel $R1
    Abort
  ${EndIf}

  ; 3. The Start-menu folder and the entry, when the entry is this
  ;    installation's (an uninstaller in a copy of the folder leaves another
  ;    installation's alone).
  ${If} $AllUsers = 1
    ReadRegStr $R0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ${Else}
    ReadRegStr $R0 HKCU "${UNINSTALL_KEY}" "InstallLocation"
  ${EndIf}
  ${If} $R0 == $INSTDIR
    !insertmacro DELETE_SHORTCUTS "$SMPROGRAMS\Korvane"
    RMDir "$SMPROGRAMS\Korvane"
    ${If} $AllUsers = 1
      DeleteRegKey HKLM "${UNINSTALL_KEY}"
      !insertmacro ACTIVE_SETUP_REMOVE
    ${Else}
      DeleteRegKey HKCU "${UNINSTALL_KEY}"
    ${EndIf}
  ${EndIf}

  ; 4. The uninstaller and the folder, when nothing else is left in it.
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
    StrCpy $R8 $INSTDIR
    Call un.RemoveEmptyParent
  ${EndIf}
SectionEnd
