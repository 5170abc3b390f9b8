; The Windows installer of Vorn Update, built by scripts/package-windows:
;   makensis -DVERSION=2.2.1.2293 -DPROGRAM_DIR=<program folder> -DOUTFILE=<setup.exe> VornUpdate.nsi
; PROGRAM_DIR holds exactly the files of the installed program folder. The file is UTF-8 with a
; byte-order mark, which is how makensis knows to read the Russian texts as UTF-8.
;
; Silent use: "setup.exe /S [/D=folder]" and "Uninstall.exe /S". The uninstaller leaves the
; user's settings (HKCU\Software\QUORIN\Vorn_Update) and logs (%LOCALAPPDATA%\Quorin\Zelt) alone.

!ifndef VERSION | PROGRAM_DIR | OUTFILE
  !error "define VERSION, PROGRAM_DIR and OUTFILE (see the head of this file)"
!endif
!if /FileExists "${PROGRAM_DIR}/Vorn_Update.exe"
!else
  !error "${PROGRAM_DIR}/Vorn_Update.exe is missing"
!endif

; The program is 64-bit only, and so is the installer: it sees the 64-bit registry and system
; folder without redirection.
Target amd64-unicode
Unicode true
SetCompressor /SOLID lzma
ManifestDPIAware true
ManifestSupportedOS all
RequestExecutionLevel admin

!define PRODUCT "Vorn Update"
!define PUBLISHER "QUORIN"
!define EXE "Vorn_Update.exe"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\VornUpdate"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\${PRODUCT}"
; An update goes where the previous version is.
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "${PRODUCT} ${VERSION}"

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include WinVer.nsh

!define MUI_ICON "vorn-update.ico"
!define MUI_UNICON "vorn-update.ico"
!define MUI_ABORTWARNING

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

; The first language is the fallback; otherwise the installer speaks the language of Windows.
!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "Russian"

LangString ShortcutComment ${LANG_ENGLISH} "Keep the firmware of Vorn banknote-processing devices up to date"
LangString ShortcutComment ${LANG_RUSSIAN} "Обновление прошивки устройств обработки банкнот Vorn"
LangString EndingProgram ${LANG_ENGLISH} "Closing the running ${PRODUCT}..."
LangString EndingProgram ${LANG_RUSSIAN} "Закрытие запущенной программы ${PRODUCT}..."
LangString StillRunning ${LANG_ENGLISH} "${PRODUCT} is still running and could not be closed. Close it and try again."
LangString StillRunning ${LANG_RUSSIAN} "Программа ${PRODUCT} всё ещё работает, и закрыть её не удалось. Закройте её и повторите попытку."
LangString NotProgramFolder ${LANG_ENGLISH} "$INSTDIR is not a folder of ${PRODUCT}: nothing is removed."
LangString NotProgramFolder ${LANG_RUSSIAN} "$INSTDIR не является папкой программы ${PRODUCT}: ничего не удалено."
LangString NeedsWindows7 ${LANG_ENGLISH} "${PRODUCT} needs Windows 7 or later."
LangString NeedsWindows7 ${LANG_RUSSIAN} "Для ${PRODUCT} нужна Windows 7 или более поздняя версия."

VIProductVersion "${VERSION}"
VIFileVersion "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileDescription" "${PRODUCT} Setup"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "LegalCopyright" "Copyright (C) 2025-2026 ${PUBLISHER}"

; A running program holds its executable and Vocabrix.dll open, and Windows refuses to replace
; or delete them. So the program and the simulator it may have started are first asked to close
; (taskkill without /F posts WM_CLOSE to their windows) and, if they still run 3 s later, ended;
; after 10 s the installer gives up with a message. They are found by file name only, so a copy
; running from another folder ends too: acceptable for an installer that replaces the program
; anyway. "Still running" is tested the way the copy would fail: by opening the executables for
; writing.
!macro CLEAR_IF_OPEN path flag
  ${If} ${FileExists} "${path}"
    ClearErrors
    FileOpen $9 "${path}" a
    ${If} ${Errors}
      StrCpy ${flag} 0
    ${Else}
      FileClose $9
    ${EndIf}
  ${EndIf}
!macroend
!macro END_RUNNING_PROGRAM prefix
Function ${prefix}EndRunningProgram
  Call ${prefix}ProgramFilesFree
  Pop $0
  ${If} $0 == 1
    Return
  ${EndIf}
  DetailPrint "$(EndingProgram)"
  StrCpy $1 0
  ${Do}
    ${If} $1 == 0
      nsExec::Exec '"$SYSDIR\taskkill.exe" /IM ${EXE} /IM AgentZelt.exe'
      Pop $0
    ${ElseIf} $1 == 6
      nsExec::Exec '"$SYSDIR\taskkill.exe" /F /IM ${EXE} /IM AgentZelt.exe'
      Pop $0
    ${EndIf}
    Sleep 500
    Call ${prefix}ProgramFilesFree
    Pop $0
    ${If} $0 == 1
      Return
    ${EndIf}
    IntOp $1 $1 + 1
  ${LoopUntil} $1 >= 20
  MessageBox MB_OK|MB_ICONSTOP "$(StillRunning)" /SD IDOK
  Abort
FunctionEnd

; Pushes 1 when neither executable of the folder is held open by a running process, else 0.
Function ${prefix}ProgramFilesFree
  StrCpy $7 1
  !insertmacro CLEAR_IF_OPEN "$INSTDIR\${EXE}" $7
  !insertmacro CLEAR_IF_OPEN "$INSTDIR\AgentZelt.exe" $7
  Push $7
FunctionEnd
!macroend
!insertmacro END_RUNNING_PROGRAM ""
!insertmacro END_RUNNING_PROGRAM "un."

Function .onInit
  SetRegView 64
  ${IfNot} ${AtLeastWin7}
    MessageBox MB_OK|MB_ICONSTOP "$(NeedsWindows7)" /SD IDOK
    Abort
  ${EndIf}
FunctionEnd

; The uninstaller removes its folder with whatever is in it, so the program always gets a folder
; of its own: a folder chosen by typing or with /D= gets "Vorn Update" appended, as the Browse
; button already does.
Function OwnFolder
  ${GetFileName} "$INSTDIR" $0
  ${If} $0 != "${PRODUCT}"
    StrCpy $INSTDIR "$INSTDIR\${PRODUCT}"
  ${EndIf}
FunctionEnd

Section "${PRODUCT}"
  Call OwnFolder
  Call EndRunningProgram
  SetOutPath "$INSTDIR"
  SetOverwrite on
  File /r "${PROGRAM_DIR}/*"
  WriteUninstaller "$INSTDIR\Uninstall.exe"

  ; For every user of the machine, like the program folder and the entry among installed
  ; programs: an uninstall from any administrator's account then finds and removes it.
  SetShellVarContext all
  CreateShortcut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\${EXE}" "" "$INSTDIR\${EXE}" 0 \
      SW_SHOWNORMAL "" "$(ShortcutComment)"

  ; The program lives in the tray from logon on, for the user who installs it.
  WriteRegStr HKCU "${RUN_KEY}" "${PRODUCT}" '"$INSTDIR\${EXE}"'

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\${EXE},0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

; The uninstaller removes the folder it finds itself in, which should be one the installer made. A
; copy run from anywhere else stops here instead of deleting that folder.
Function un.onInit
  SetRegView 64
  ${GetFileName} "$INSTDIR" $0
  ${If} $0 != "${PRODUCT}"
    MessageBox MB_OK|MB_ICONSTOP "$(NotProgramFolder)" /SD IDOK
    Abort
  ${EndIf}
FunctionEnd

Section "Uninstall"
  Call un.EndRunningProgram
  SetShellVarContext all
  Delete "$SMPROGRAMS\${PRODUCT}.lnk"
  DeleteRegValue HKCU "${RUN_KEY}" "${PRODUCT}"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  ; Out of the folder first: a process cannot remove its current directory.
  SetOutPath "$TEMP"
  RMDir /r /REBOOTOK "$INSTDIR"
SectionEnd
