@echo off
rem Asks dravlen.exe about every container dravlen-list.exe lists, and
rem prints one line for each: "mounted: d:\containers\work.qmv". Each should
rem read "mounted"; "not mounted" means the two programs disagree or the
rem container was dismounted in between. Both programs stand in the folder
rem of this file. dravlen-list.exe writes each path as dravlen.exe compares
rem it, in the ANSI code page: for paths beyond ASCII, run "chcp" with that
rem code page first (chcp 1252 on a Western system).

for /f "delims=" %%p in ('"%~dp0dravlen-list.exe"') do (
  "%~dp0dravlen.exe" "%%p"
  if errorlevel 4 (echo unavailable: %%p) else if errorlevel 1 (echo mounted: %%p) else (echo not mounted: %%p)
)
