; The Windows setup program: the dialer with its settings program, and its
; companion, side by side as a phone has them, for every user of the machine.
; Built by the dist target (packaging/CMakeLists.txt), which defines:
;   VERSION       the program's version, three numbers (0.4.0)
;   ZEMBRIK_EXE   the dialer, SKIN its skin, PELLOMAR_EXE the companion
;   SETTINGS_EXE  the settings program, installed beside the dialer
;   OUTFILE       the setup program to write
;   ICON          (optional) the icon of the setup and uninstall programs

!ifndef VERSION | ZEMBRIK_EXE | SKIN | PELLOMAR_EXE | SETTINGS_EXE | OUTFILE
  !error "makensis needs -DVERSION, -DZEMBRIK_EXE, -DSKIN, -DPELLOMAR_EXE, -DSETTINGS_EXE and -DOUTFILE"
!endif

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel admin

!include FileFunc.nsh
!include Integration.nsh
!include LogicLib.nsh

!define PUBLISHER "Orvendel"
; Under HKLM: the dialer reads InstallFolder here to tell an installed copy
; from a portable one (platform/emulation.h, INSTALL_KEY).
!define INSTALL_KEY "Software\Orvendel\Zembrik"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Zembrik"
!define CAPABILITIES_KEY "${INSTALL_KEY}\Capabilities"
!define PROGID "Zembrik.tel"
!define DIALER "$INSTDIR\Zembrik\zembrik.exe"
!define SETTINGS "$INSTDIR\Zembrik\ZembrikSettings.exe"

Name "Zembrik"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Zembrik"
; A new version goes where the last one went.
InstallDirRegKey HKLM "${INSTALL_KEY}" "InstallFolder"
BrandingText "Zembrik ${VERSION}"
ShowInstDetails show
ShowUninstDetails show
!ifdef ICON
  Icon "${ICON}"
  UninstallIcon "${ICON}"
!endif

VIProductVersion "${VERSION}.0"
VIFileVersion "${VERSION}.0"
VIAddVersionKey ProductName "Zembrik"
VIAddVersionKey ProductVersion "${VERSION}"
VIAddVersionKey FileVersion "${VERSION}"
VIAddVersionKey CompanyName "${PUBLISHER}"
VIAddVersionKey FileDescription "Zembrik ${VERSION} setup"
VIAddVersionKey LegalCopyright "${PUBLISHER}"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

; A running dialer, settings program or companion holds its executable open:
; replacing or removing it would fail half-way. Each is found by its
; window's class. Silent runs give up at once (exit code 2).
!macro RefuseWhileRunning
  ${Do}
    FindWindow $0 "Zembrik"
    FindWindow $1 "Pellomar"
    FindWindow $2 "ZembrikSettings"
    ${If} $0 == 0
    ${AndIf} $1 == 0
    ${AndIf} $2 == 0
      ${Break}
    ${EndIf}
    MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "Zembrik, Zembrik Settings or Pellomar is running. Close it, then choose Retry." /SD IDCANCEL IDRETRY +2
    Abort
  ${Loop}
!macroend

Function .onInit
  SetRegView 64
  SetShellVarContext all
FunctionEnd

Section "Zembrik"
  !insertmacro RefuseWhileRunning

  SetOutPath "$INSTDIR\Pellomar"
  File "/oname=Pellomar.exe" "${PELLOMAR_EXE}"
  SetOutPath "$INSTDIR\Zembrik"
  File "/oname=zembrik.exe" "${ZEMBRIK_EXE}"
  File "/oname=ZembrikSettings.exe" "${SETTINGS_EXE}"
  File "/oname=default.png" "${SKIN}"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  ; Both started in their own folder, where the skin is.
  CreateShortcut "$SMPROGRAMS\Zembrik.lnk" "${DIALER}" "" "${DIALER}" 0
  CreateShortcut "$SMPROGRAMS\Zembrik Settings.lnk" "${SETTINGS}" "" "${SETTINGS}" 0

  WriteRegStr HKLM "${INSTALL_KEY}" "InstallFolder" "$INSTDIR"

  ; Offered under Settings > Default apps for tel: and callto: links; the
  ; user chooses there, so the links themselves (HKCR\tel) are left alone.
  WriteRegStr HKLM "Software\Classes\${PROGID}" "" "Zembrik phone link"
  WriteRegStr HKLM "Software\Classes\${PROGID}" "FriendlyTypeName" "Zembrik phone link"
  WriteRegStr HKLM "Software\Classes\${PROGID}\DefaultIcon" "" "${DIALER},0"
  WriteRegStr HKLM "Software\Classes\${PROGID}\shell\open\command" "" '"${DIALER}" "%1"'
  WriteRegStr HKLM "${CAPABILITIES_KEY}" "ApplicationName" "Zembrik"
  WriteRegStr HKLM "${CAPABILITIES_KEY}" "ApplicationDescription" "Phone dialer with a full-screen keypad"
  WriteRegStr HKLM "${CAPABILITIES_KEY}" "ApplicationIcon" "${DIALER},0"
  WriteRegStr HKLM "${CAPABILITIES_KEY}\URLAssociations" "tel" "${PROGID}"
  WriteRegStr HKLM "${CAPABILITIES_KEY}\URLAssociations" "callto" "${PROGID}"
  WriteRegStr HKLM "Software\RegisteredApplications" "Zembrik" "${CAPABILITIES_KEY}"

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Zembrik"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "${DIALER},0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0

  ${NotifyShell_AssocChanged}
SectionEnd

Function un.onInit
  SetRegView 64
  SetShellVarContext all
FunctionEnd

; Only what the setup put there: the user's settings (HKCU) and calls log and
; contacts (%APPDATA%\Zembrik) are theirs and stay. The quiet uninstall runs
; from a copy of itself and returns at once, so the program folder goes
; last: once it is gone, so is everything else.
Section "Uninstall"
  !insertmacro RefuseWhileRunning

  DeleteRegValue HKLM "Software\RegisteredApplications" "Zembrik"
  DeleteRegKey HKLM "Software\Classes\${PROGID}"
  DeleteRegKey HKLM "${INSTALL_KEY}"
  DeleteRegKey /ifempty HKLM "Software\Orvendel"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  ${NotifyShell_AssocChanged}

  Delete "$SMPROGRAMS\Zembrik.lnk"
  Delete "$SMPROGRAMS\Zembrik Settings.lnk"
  Delete "$INSTDIR\Zembrik\zembrik.exe"
  Delete "$INSTDIR\Zembrik\ZembrikSettings.exe"
  Delete "$INSTDIR\Zembrik\default.png"
  Delete "$INSTDIR\Pellomar\Pellomar.exe"
  Delete "$INSTDIR\uninstall.exe"
  ; Not recursive: a file someone else put there keeps its folder.
  RMDir "$INSTDIR\Zembrik"
  RMDir "$INSTDIR\Pellomar"
  RMDir "$INSTDIR"
SectionEnd
