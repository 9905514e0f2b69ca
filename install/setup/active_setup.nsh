; Every user of a machine-wide installation gets Excel's entry.
;
; Excel keeps its list of add-ins to open per user (HKCU), and the setup runs
; as the one administrator who installed: without more, every other user of
; the machine would have the add-in installed and never see it in Excel.
; Windows' Active Setup closes that gap: at each logon it compares every
; component under HKLM\...\Active Setup\Installed Components with the user's
; own copy under HKCU and, where the machine's Version is higher, runs the
; component's StubPath once as that user and records the version. Our
; StubPath is `korvane.exe status`, which for a user of the machine's
; installation whose Excel does not list it adds the entry, in the add-in
; kind chosen at install.
;
; The version's last part counts the installs on this machine, so that an
; upgrade, a repair or a switch of the add-in kind runs the stub again for
; everyone (a switched kind must reach every user). The administrator who
; runs the setup already has the entry: their own copy is marked current.

!define ACTIVE_SETUP_KEY "Software\Microsoft\Active Setup\Installed Components\{8E3C2F71-5A4D-4B9E-9C1A-7D2E6F0B3A58}"
!searchreplace ACTIVE_SETUP_VERSION "${VERSION}" "." ","

!macro ACTIVE_SETUP_REGISTER
  ReadRegDWORD $R6 HKLM "${ACTIVE_SETUP_KEY}" "KorvaneInstalls"
  IntOp $R6 $R6 + 1
  WriteRegStr HKLM "${ACTIVE_SETUP_KEY}" "" "$(ActiveSetupName)"
  WriteRegStr HKLM "${ACTIVE_SETUP_KEY}" "ComponentID" "Korvane"
  WriteRegStr HKLM "${ACTIVE_SETUP_KEY}" "StubPath" '"$INSTDIR\${RELEASE_TOOL}" status'
  WriteRegStr HKLM "${ACTIVE_SETUP_KEY}" "Version" "${ACTIVE_SETUP_VERSION},$R6"
  WriteRegDWORD HKLM "${ACTIVE_SETUP_KEY}" "IsInstalled" 1
  WriteRegDWORD HKLM "${ACTIVE_SETUP_KEY}" "KorvaneInstalls" $R6
  WriteRegStr HKCU "${ACTIVE_SETUP_KEY}" "Version" "${ACTIVE_SETUP_VERSION},$R6"
!macroend

; An uninstall takes the component away, so no later logon runs a stub that
; is gone (users who already had the entry keep it: see the guide).
!macro ACTIVE_SETUP_REMOVE
  DeleteRegKey HKLM "${ACTIVE_SETUP_KEY}"
  DeleteRegKey HKCU "${ACTIVE_SETUP_KEY}"
!macroend
