; Setup program of the Velmarin screen saver. It puts the build that matches Windows into
; the 64-bit System32 (x86_64) or, on 32-bit Windows, into System32 (i686), can make it the
; current screen saver, and registers an uninstaller. /S installs silently with the saver
; made current; the uninstaller's /S keeps the user's settings.
;
; Defined by the build: VERSION, OUTFILE, ICON, SCR_I686, SCR_X86_64.

Unicode true
ManifestDPIAware true
RequestExecutionLevel admin
SetCompressor /SOLID lzma
; A file that cannot be written (a running saver, say) aborts setup: no Ignore.
AllowSkipFiles off

!include MUI2.nsh
!include LogicLib.nsh
!include x64.nsh
!include FileFunc.nsh

!define PRODUCT "Velmarin"
!define PUBLISHER "Velmarin authors"
!define SAVER_FILE "velmarin.scr"
!define UNINSTALLER "uninstall.exe"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${PRODUCT}"
!define MACHINE_KEY "Software\${PRODUCT}"
!define USER_KEY "Software\${PRODUCT}"
!define DESKTOP_KEY "Control Panel\Desktop"
!define SPI_SETSCREENSAVEACTIVE 17
!define SPIF_UPDATE_AND_BROADCAST 3
!define ERROR_ELEVATION_REQUIRED 740

Name "${PRODUCT}"
Caption "${PRODUCT} ${VERSION} Setup"
OutFile "${OUTFILE}"
BrandingText "${PRODUCT} ${VERSION}"
; A section counts only the files in its own body (the saver is copied in a function): no size line.
SpaceTexts none

VIProductVersion "${VERSION}.0.0"
VIAddVersionKey ProductName "${PRODUCT} screen saver"
VIAddVersionKey ProductVersion "${VERSION}"
VIAddVersionKey CompanyName "${PUBLISHER}"
VIAddVersionKey FileDescription "${PRODUCT} screen saver setup"
VIAddVersionKey FileVersion "${VERSION}"
VIAddVersionKey LegalCopyright "(c) ${PUBLISHER}"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_COMPONENTSPAGE_NODESC
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_TEXT "Open the Screen Saver Settings"
!define MUI_FINISHPAGE_RUN_FUNCTION OpenScreenSaverSettings
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; The saver's path as 64-bit programs (and everything on 32-bit Windows) see it; this 32-bit
; program reaches that folder only with file-system redirection off.
Var SaverPath

!macro NativeViewsAndPaths un
  Function ${un}NativeViewsAndPaths
    StrCpy $SaverPath "$WINDIR\System32\${SAVER_FILE}"
    ${If} ${RunningX64}
      SetRegView 64
      StrCpy $INSTDIR "$PROGRAMFILES64\${PRODUCT}"
    ${Else}
      StrCpy $INSTDIR "$PROGRAMFILES\${PRODUCT}"
    ${EndIf}
  FunctionEnd
!macroend
!insertmacro NativeViewsAndPaths ""
!insertmacro NativeViewsAndPaths "un."

!macro RequireAdmin un
  Function ${un}RequireAdmin
    UserInfo::GetAccountType
    Pop $0
    ${If} $0 != "admin"
      MessageBox MB_ICONSTOP "${PRODUCT} setup needs to run as an administrator." /SD IDOK
      SetErrorLevel ${ERROR_ELEVATION_REQUIRED}
      Quit
    ${EndIf}
  FunctionEnd
!macroend
!insertmacro RequireAdmin ""
!insertmacro RequireAdmin "un."

!macro NativeSystemFolderOn
  ${If} ${RunningX64}
    ${DisableX64FSRedirection}
  ${EndIf}
!macroend

!macro NativeSystemFolderOff
  ${If} ${RunningX64}
    ${EnableX64FSRedirection}
  ${EndIf}
!macroend

!macro AbortOnErrors message
  ${If} ${Errors}
    MessageBox MB_ICONSTOP "${message}" /SD IDOK
    Abort "${message}"
  ${EndIf}
!macroend

Function .onInit
  Call RequireAdmin
  Call NativeViewsAndPaths
FunctionEnd

Function un.onInit
  Call un.RequireAdmin
  Call un.NativeViewsAndPaths
FunctionEnd

Function CopySaver
  !insertmacro NativeSystemFolderOn
  SetOutPath "$WINDIR\System32"
  ${If} ${RunningX64}
    File "/oname=${SAVER_FILE}" "${SCR_X86_64}"
  ${Else}
    File "/oname=${SAVER_FILE}" "${SCR_I686}"
  ${EndIf}
  !insertmacro NativeSystemFolderOff
FunctionEnd

Function InstalledSizeKiB ; -> $0: the saver and the uninstaller, in KiB
  !insertmacro NativeSystemFolderOn
  ${GetSize} "$WINDIR\System32" "/M=${SAVER_FILE} /S=0K /G=0" $0 $1 $2
  !insertmacro NativeSystemFolderOff
  ${GetSize} "$INSTDIR" "/M=${UNINSTALLER} /S=0K /G=0" $1 $2 $3
  IntOp $0 $0 + $1
FunctionEnd

Function WriteUninstallEntry
  Call InstalledSizeKiB ; first: it clears the error flag
  ClearErrors
  WriteRegStr HKLM "${UNINSTALL_KEY}" DisplayName "${PRODUCT} screen saver"
  WriteRegStr HKLM "${UNINSTALL_KEY}" DisplayVersion "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" Publisher "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" DisplayIcon "$SaverPath,0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" UninstallString '"$INSTDIR\${UNINSTALLER}"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" QuietUninstallString '"$INSTDIR\${UNINSTALLER}" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" EstimatedSize $0
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" NoModify 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" NoRepair 1
FunctionEnd

Function OpenScreenSaverSettings
  ; The 64-bit control panel lists the 64-bit System32.
  !insertmacro NativeSystemFolderOn
  Exec '"$WINDIR\System32\control.exe" desk.cpl,,@screensaver'
  !insertmacro NativeSystemFolderOff
FunctionEnd

Section "${PRODUCT} screen saver" SecSaver
  SectionIn RO
  ClearErrors
  Call CopySaver
  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\${UNINSTALLER}"
  !insertmacro AbortOnErrors "Could not write the uninstaller $INSTDIR\${UNINSTALLER}."
  Call WriteUninstallEntry
  !insertmacro AbortOnErrors "Could not register the uninstaller."
SectionEnd

Section "Use ${PRODUCT} as my screen saver" SecMakeCurrent
  ClearErrors
  WriteRegStr HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE" "$SaverPath"
  !insertmacro AbortOnErrors "Could not make ${PRODUCT} the current screen saver."
  System::Call 'user32::SystemParametersInfo(i ${SPI_SETSCREENSAVEACTIVE}, i 1, p 0, i ${SPIF_UPDATE_AND_BROADCAST}) i .r0'
  ${If} $0 = 0
    MessageBox MB_ICONEXCLAMATION "Could not turn the screen saver on; turn it on in the Screen Saver Settings." /SD IDOK
  ${EndIf}
SectionEnd

Function un.ResetCurrentSaver ; only where the current saver is ours
  ReadRegStr $0 HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
  ${If} $0 == $SaverPath
    DeleteRegValue HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
    System::Call 'user32::SystemParametersInfo(i ${SPI_SETSCREENSAVEACTIVE}, i 0, p 0, i ${SPIF_UPDATE_AND_BROADCAST})'
  ${EndIf}
FunctionEnd

Function un.AskToRemoveUserSettings
  MessageBox MB_YESNO|MB_ICONQUESTION|MB_DEFBUTTON2 "Also delete your ${PRODUCT} settings and image list?" /SD IDNO IDNO keep
  DeleteRegKey HKCU "${USER_KEY}"
  keep:
FunctionEnd

Section "Uninstall"
  ClearErrors
  !insertmacro NativeSystemFolderOn
  ; A saver that is running goes at the next restart.
  Delete /REBOOTOK "$WINDIR\System32\${SAVER_FILE}"
  !insertmacro NativeSystemFolderOff
  !insertmacro AbortOnErrors "Could not remove $SaverPath."
  Call un.ResetCurrentSaver
  Call un.AskToRemoveUserSettings
  DeleteRegKey HKLM "${MACHINE_KEY}"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  Delete "$INSTDIR\${UNINSTALLER}"
  RMDir "$INSTDIR"
SectionEnd
