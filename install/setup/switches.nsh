; How the setup and its uninstaller read their command lines (korvane.nsi).
;
; NSIS itself takes /S, /NCRC and /D= only in upper case, and drops a /D= it
; cannot use (quoted, a drive's root, relative) without a word, installing
; elsewhere; so both read the process's whole command line again here. Every
; switch is taken in any case, and anything else is a usage error (exit 2)
; before anything changes:
;   setup        /S /ALLUSERS /XLL /AUTOMATION /NCRC (and /ELEVATED, its own
;                restart), then /D=FOLDER, last, taking the rest of the line,
;                quoted or not: a folder below a drive or a share;
;   uninstaller  /S /NCRC, then what NSIS takes from the last " _?=" to the
;                end: the folder, which may close a quote opened before that
;                space (the QuietUninstallString's form).

!macro SWITCH_WORDS un
; Command lines are read word by word from the process's own (NSIS's copy of
; it has lost what NSIS took). $R0: the line; out: what follows the program.
Function ${un}SkipProgram
  StrCpy $R1 $R0 1
  StrCpy $R2 0
  ${If} $R1 == '"'
    StrCpy $R2 1
  ${EndIf}
  ${Do}
    StrCpy $R1 $R0 1 $R2
    ${IfThen} $R1 == "" ${|} ${Break} ${|}
    IntOp $R2 $R2 + 1
    StrCpy $R3 $R0 1
    ${If} $R3 == '"'
      ${IfThen} $R1 == '"' ${|} ${Break} ${|}
    ${ElseIf} $R1 == " "
      ${Break}
    ${EndIf}
  ${Loop}
  StrCpy $R0 $R0 "" $R2
FunctionEnd

Function ${un}SkipSpaces  ; $R0 without the spaces it starts with
  ${Do}
    StrCpy $R1 $R0 1
    ${IfThen} $R1 != " " ${|} ${Break} ${|}
    StrCpy $R0 $R0 "" 1
  ${Loop}
FunctionEnd

Function ${un}NextWord  ; $R1 the first word of $R0 (which starts with none), $R0 the rest
  StrCpy $R2 0
  ${Do}
    StrCpy $R1 $R0 1 $R2
    ${If} $R1 == " "
    ${OrIf} $R1 == ""
      ${Break}
    ${EndIf}
    IntOp $R2 $R2 + 1
  ${Loop}
  StrCpy $R1 $R0 $R2
  StrCpy $R0 $R0 "" $R2
FunctionEnd

; A usage error: the message $R9 (and the switches), exit 2.
Function ${un}UsageError
  MessageBox MB_ICONSTOP "$R9$\r$\n$\r$\n$(Usage)" /SD IDOK
  SetErrorLevel ${EXIT_USAGE}
  Quit
FunctionEnd
!macroend
!insertmacro SWITCH_WORDS ""
!insertmacro SWITCH_WORDS "un."

Function TrimEnd  ; $R3 without the spaces it ends with
  ${Do}
    StrCpy $R4 $R3 1 -1
    ${IfThen} $R4 != " " ${|} ${Break} ${|}
    StrCpy $R3 $R3 -1
  ${Loop}
FunctionEnd

; The switches, in any case; /D= is last and takes the rest of the line, as
; NSIS reads it. Anything else is a usage error (exit 2), never ignored.
Function ReadSwitches
  System::Call 'kernel32::GetCommandLineW() w .R0'
  Call SkipProgram
  ${Do}
    Call SkipSpaces
    ${IfThen} $R0 == "" ${|} Return ${|}
    StrCpy $R1 $R0 3
    StrCpy $R2 $R0 4
    ${If} $R1 == "/D="
      StrCpy $R3 $R0 "" 3
      Call ChooseFolder
      Return
    ${ElseIf} $R2 == '"/D='  ; the whole switch quoted, as some tools pass it
      StrCpy $R3 $R0 "" 4
      StrCpy $R3 '"$R3'
      Call ChooseFolder
      Return
    ${EndIf}
    Call NextWord
    ${If} $R1 == "/S"
      StrCpy $Silent 1
    ${ElseIf} $R1 == "/ALLUSERS"
      StrCpy $AllUsers 1
    ${ElseIf} $R1 == "/XLL"
    ${AndIf} $Kind != "automation"
      StrCpy $Kind "xll"
    ${ElseIf} $R1 == "/AUTOMATION"
    ${AndIf} $Kind != "xll"
      StrCpy $Kind "automation"
    ${ElseIf} $R1 == "/ELEVATED"
      StrCpy $Elevated 1
    ${ElseIfNot} $R1 == "/NCRC"
      StrCpy $R9 "$(UnknownSwitch) $R1"
      Call UsageError
    ${EndIf}
  ${Loop}
FunctionEnd

; $R3: what followed /D=. A folder below a drive's root or a share, quoted
; or not, becomes $INSTDIR; anything else is a usage error: a drive's root
; would be emptied of our files only, but is no place for them, and a
; relative folder or a stray quote names a place nobody meant.
Function ChooseFolder
  StrCpy $R9 "$(BadFolder) $R3"
  Call TrimEnd
  StrCpy $R4 $R3 1
  ${If} $R4 == '"'
    StrCpy $R4 $R3 1 -1
    StrLen $R5 $R3
    ${If} $R4 != '"'
    ${OrIf} $R5 < 2
      Call UsageError
    ${EndIf}
    StrCpy $R3 $R3 -1 1
  ${EndIf}
  ; No quotes, wildcards or other characters Windows forbids in a name.
  StrLen $R5 $R3
  StrCpy $R6 0
  ${DoWhile} $R6 < $R5
    StrCpy $R4 $R3 1 $R6
    ${If} $R4 == '"'
    ${OrIf} $R4 == "*"
    ${OrIf} $R4 == "?"
    ${OrIf} $R4 == "<"
    ${OrIf} $R4 == ">"
    ${OrIf} $R4 == "|"
    ${OrIf} $R4 == "/"
      Call UsageError
    ${EndIf}
    ${If} $R4 == ":"
    ${AndIf} $R6 != 1
      Call UsageError
    ${EndIf}
    IntOp $R6 $R6 + 1
  ${Loop}
  ; Absolute: a drive letter, a colon and a backslash, or \\server\share\.
  StrCpy $R4 $R3 2
  StrCpy $R6 $R3 2 1
  ${If} $R4 != "\\"
    ${If} $R6 != ":\"
      Call UsageError
    ${EndIf}
    StrCpy $R4 $R3 1
    StrCpy $R6 "ABCDEFGHIJKLMNOPQRSTUVWXYZ"
    ${Do}
      StrCpy $R7 $R6 1
      ${IfThen} $R7 == "" ${|} Call UsageError ${|}
      ${IfThen} $R7 == $R4 ${|} ${Break} ${|}
      StrCpy $R6 $R6 "" 1
    ${Loop}
  ${EndIf}
  ; The full name (.. and . resolved), without a backslash at the end: a root
  ; is then C: or \\server\share.
  System::Call 'kernel32::GetFullPathNameW(w R3, i ${NSIS_MAX_STRLEN}, w .R6, p 0) i .R5'
  ${IfThen} $R5 = 0 ${|} Call UsageError ${|}
  StrCpy $R3 $R6
  ${Do}
    StrCpy $R4 $R3 1 -1
    ${IfThen} $R4 != "\" ${|} ${Break} ${|}
    StrCpy $R3 $R3 -1
  ${Loop}
  StrLen $R5 $R3
  ${IfThen} $R5 <= 2 ${|} Call UsageError ${|}
  StrCpy $R4 $R3 2
  ${If} $R4 == "\\"  ; \\server\share\folder: two more backslashes at least
    StrCpy $R6 0
    StrCpy $R7 2
    ${DoWhile} $R7 < $R5
      StrCpy $R4 $R3 1 $R7
      ${IfThen} $R4 == "\" ${|} IntOp $R6 $R6 + 1 ${|}
      IntOp $R7 $R7 + 1
    ${Loop}
    ${IfThen} $R6 < 2 ${|} Call UsageError ${|}
  ${EndIf}
  StrCpy $INSTDIR $R3
  StrCpy $ChosenDir 1
FunctionEnd

; The uninstaller's switches: $Silent; the rest is NSIS's (_?=).
Function un.ReadSwitches
  System::Call 'kernel32::GetCommandLineW() w .R0'
  Call un.SkipProgram
  StrLen $R2 $R0
  ${Do}
    IntOp $R2 $R2 - 1
    ${IfThen} $R2 < 0 ${|} ${Break} ${|}
    StrCpy $R1 $R0 4 $R2
    ${If} $R1 == " _?="
      StrCpy $R0 $R0 $R2
      ${Break}
    ${EndIf}
  ${Loop}
  StrCpy $R1 $R0 1 -1
  ${IfThen} $R1 == '"' ${|} StrCpy $R0 $R0 -1 ${|}
  ${Do}
    Call un.SkipSpaces
    ${IfThen} $R0 == "" ${|} ${Break} ${|}
    Call un.NextWord
    ${If} $R1 == "/S"
      StrCpy $Silent 1
    ${ElseIfNot} $R1 == "/NCRC"
      StrCpy $R9 "$(UnknownSwitch) $R1"
      Call un.UsageError
    ${EndIf}
  ${Loop}
FunctionEnd
