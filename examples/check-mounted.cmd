@echo off
rem Is a container mounted? Prints one line, "mounted", "not mounted",
rem "usage" or "unavailable", and exits with dravlen's status: 1, 0, 3, 4.
rem dravlen.exe stands in the folder of this file. Quote a path that holds
rem blanks:  check-mounted.cmd "d:\containers\work 2026.qmv"

"%~dp0dravlen.exe" %*

rem "if errorlevel N" holds for N or more: the highest comes first. A
rem negative status (a program that could not start) is no answer either.
if errorlevel 4 goto unavailable
if errorlevel 3 goto usage
if errorlevel 1 goto mounted
if not errorlevel 0 goto unavailable
echo not mounted
exit /b 0

:mounted
echo mounted
exit /b 1

:usage
echo usage
exit /b 3

:unavailable
echo unavailable
exit /b 4
