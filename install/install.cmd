@echo off
rem Installs Korvane for Excel: double-click this file.
rem   install.cmd            for you (no administrator rights needed)
rem   install.cmd /machine   for every user of this computer (run as administrator)
rem   install.cmd /xll       Excel loads korvane.xll instead of the automation add-in
rem   /q                     do not wait for a key at the end
rem Any other switch goes to korvane.exe as --switch, which names the switch
rem meant when one is mistyped (/machnie) and changes nothing.
setlocal
chcp 65001 >nul
set "args="
set "quiet="
:next
if "%~1"=="" goto run
set "word=%~1"
if /i "%word%"=="/q" (
  set "quiet=1"
) else if /i "%word%"=="/machine" (
  set "args=%args% --machine"
) else if /i "%word%"=="/xll" (
  set "args=%args% --xll"
) else if "%word:~0,1%"=="/" (
  set "args=%args% --%word:~1%"
) else (
  set "args=%args% "%word%""
)
shift
goto next
:run
rem 32-bit Windows runs the 32-bit tool; a 32-bit prompt on 64-bit Windows
rem says so in PROCESSOR_ARCHITEW6432.
set "tool=%~dp0korvane.exe"
if /i "%PROCESSOR_ARCHITECTURE%"=="x86" if not defined PROCESSOR_ARCHITEW6432 set "tool=%~dp0x86\korvane.exe"
"%tool%" install%args%
set "status=%errorlevel%"
if not defined quiet pause
exit /b %status%
