@echo off
rem Removes Korvane from Excel: close Excel, then double-click this file.
rem   uninstall.cmd            what install.cmd installed for you
rem   uninstall.cmd /machine   what install.cmd /machine installed (run as administrator)
rem   /q                     do not wait for a key at the end
rem Any other switch goes to korvane.exe as --switch, which names the switch
rem meant when one is mistyped and changes nothing.
setlocal EnableDelayedExpansion
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
rem This file may be the installed folder's copy, which the uninstall removes
rem with the folder: leave the folder (a folder in use cannot be removed), and
rem finish on the line that runs the tool, since cmd reads a batch file line
rem by line and this one is gone once the tool has run.
cd /d "%TEMP%"
"%tool%" uninstall%args% & set "status=!errorlevel!" & (if not defined quiet pause) & exit /b !status!
