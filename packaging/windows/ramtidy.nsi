; Ramtidy's installer: the program in Program Files, a Start menu entry and an entry in
; Apps & features. Its uninstaller takes the program and its start at logon away and
; keeps the user's choices (HKCU\Software\VB and VBA Program Settings\Corvane\Ramtidy),
; a skin the user put beside the program, and the history log in %TEMP%.
; Built by installer.sh: makensis -DVERSION=... -DFILES=<files.nsh> -DOUTFILE=... -DICON=...
; A 64-bit installer for a 64-bit program: it writes the registry the program reads, and
; runs where a Wine without 32-bit support runs the program.
Target amd64-unicode
ManifestDPIAware true
RequestExecutionLevel admin
SetCompressor /SOLID lzma

!include "MUI2.nsh"
!include "LogicLib.nsh"
!include "FileFunc.nsh"
!include "${FILES}"

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Ramtidy"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define APPROVED_KEY "Software\Microsoft\Windows\CurrentVersion\Explorer\StartupApproved\Run"
; The name the program gives its value under the Run keys.
!define RUN_VALUE "ramtidy.exe"

Name "Ramtidy"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Ramtidy"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
VIProductVersion "${VERSION}.0"
VIAddVersionKey "ProductName" "Ramtidy"
VIAddVersionKey "CompanyName" "Corvane"
VIAddVersionKey "LegalCopyright" "Copyright 2026 Corvane"
VIAddVersionKey "FileDescription" "Ramtidy Setup"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "ProductVersion" "${VERSION}"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_RUN "$INSTDIR\ramtidy.exe"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

Function .onInit
  SetShellVarContext all
FunctionEnd

Function un.onInit
  SetShellVarContext all
FunctionEnd

Section "Ramtidy"
  !insertmacro InstallFiles
  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateShortcut "$SMPROGRAMS\Ramtidy.lnk" "$INSTDIR\ramtidy.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Ramtidy"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Corvane"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\ramtidy.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

; The value the program wrote under one hive's Run key, and Task Manager's switch for
; it; a value of the same name that starts another program is left alone.
!macro RemoveRunValue ROOT
  ReadRegStr $0 ${ROOT} "${RUN_KEY}" "${RUN_VALUE}"
  ${If} $0 == "$INSTDIR\ramtidy.exe"
  ${OrIf} $0 == '"$INSTDIR\ramtidy.exe"'
    DeleteRegValue ${ROOT} "${RUN_KEY}" "${RUN_VALUE}"
    DeleteRegValue ${ROOT} "${APPROVED_KEY}" "${RUN_VALUE}"
  ${EndIf}
!macroend

Section "Uninstall"
  ; A running program cannot be deleted: the user is asked to quit it first.
  retry:
  Delete "$INSTDIR\ramtidy.exe"
  ${If} ${FileExists} "$INSTDIR\ramtidy.exe"
    MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION \
      "Ramtidy is running. Quit it from its icon in the notification area, then choose Retry." \
      /SD IDCANCEL IDRETRY retry
    Abort "Ramtidy was not removed: it is still running."
  ${EndIf}
  !insertmacro RemoveFiles
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  Delete "$SMPROGRAMS\Ramtidy.lnk"
  !insertmacro RemoveRunValue HKLM
  !insertmacro RemoveRunValue HKCU
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
