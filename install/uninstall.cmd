@echo off
rem Removes Korvane from Excel: close Excel, then double-click this file.
rem   uninstall.cmd            what install.cmd installed for you
rem   uninstall.cmd /machine   what install.cmd /machine installed (run as administrator)
rem   /q                     do not wait for a key at the end
setlocal
chcp 65001 >nul
set "args="
set "quiet="
:next
if "%~1"=="" goto run
if /i "%~1"=="/machine" set "args=%args% --machine"
if /i "%~1"=="/q" set "quiet=1"
shift
goto next
:run
rem 32-bit Windows runs the 32-bit tool; a 32-bit prompt on 64-bit Windows
rem says so in PROCESSOR_ARCHITEW6432.
set "tool=%~dp0korvane.exe"
if /i "%PROCESSOR_ARCHITECTURE%"=="x86" if not defined PROCESSOR_ARCHITEW6432 set "tool=%~dp0x86\korvane.exe"
"%tool%" uninstall%args%
set "status=%errorlevel%"
if not defined quiet pause
exit /b %status%
