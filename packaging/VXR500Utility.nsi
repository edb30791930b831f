; The VX-R500 Utility's installer. Built by CMake (packaging/CMakeLists.txt),
; which passes the version, the program folder, the output file and the two
; generated file lists:
;   makensis -DVERSION=1.10.0 -DPROGRAM_DIR=... -DOUTFILE=... -DFILES=... -DUNFILES=... [-DSIGN=...] VXR500Utility.nsi
; SIGN, when given, is the command that signs a file in place (tools/sign.sh):
; the uninstaller and the installer are signed as they are written.
;
; Silent mode (/S) installs with the defaults: the utility for all users under
; Program Files, without the emulated printer. An upgrade over an earlier
; installation keeps the language chosen in its SETTING.INI and its
; components; the per-printer data files in the shared data folder belong to
; the user and are never touched, neither here nor by the uninstaller.

; A 64-bit installer for a 64-bit program (and for machines without 32-bit
; support).
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel admin

!include "MUI2.nsh"
!include "LogicLib.nsh"

!define PRODUCT "VX-R500 Utility"
!define MAKER "ORVIK"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\ORVIK VX-R500 Utility"
!define SHORTCUTS "$SMPROGRAMS\${MAKER}"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\${MAKER}\${PRODUCT}"
BrandingText "${MAKER} ${PRODUCT} ${VERSION}"
VIProductVersion "${VERSION}.0"
VIAddVersionKey "ProductName" "${PRODUCT}"
VIAddVersionKey "CompanyName" "${MAKER}"
VIAddVersionKey "FileDescription" "${PRODUCT} Setup"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "LegalCopyright" "${MAKER}"

!ifdef SIGN
  !uninstfinalize '${SIGN} "%1"' = 0
  !finalize '${SIGN} "%1"' = 0
!endif

Var KeptLanguage

!define MUI_ABORTWARNING
!define MUI_COMPONENTSPAGE_NODESC
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\VXR500UTL.exe"
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

Section "${PRODUCT}" SecUtility
  SectionIn RO
  SetShellVarContext all
  SetRegView 64
  ; The language the user chose stays; every other setting comes new.
  ReadINIStr $KeptLanguage "$INSTDIR\SETTING.INI" "LANGUAGE" "LANGID"
  !include "${FILES}"
  ${If} $KeptLanguage != ""
    WriteINIStr "$INSTDIR\SETTING.INI" "LANGUAGE" "LANGID" $KeptLanguage
  ${EndIf}
  WriteUninstaller "$INSTDIR\Uninstall.exe"
  CreateDirectory "${SHORTCUTS}"
  CreateShortcut "${SHORTCUTS}\${PRODUCT}.lnk" "$INSTDIR\VXR500UTL.exe"
  ; The utility refuses to run without administrator rights, so its shortcut
  ; asks for them (the link's "run as administrator" flag, 0x2000 of the
  ; flags at offset 0x14).
  FileOpen $0 "${SHORTCUTS}\${PRODUCT}.lnk" a
  FileSeek $0 0x15 SET
  FileReadByte $0 $1
  IntOp $1 $1 | 0x20
  FileSeek $0 0x15 SET
  FileWriteByte $0 $1
  FileClose $0

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${MAKER} ${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${MAKER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\VXR500UTL.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section /o "Try without a printer (emulated VX-R500)" SecEmulator
  SetShellVarContext all
  SetOutPath "$INSTDIR"
  File "${PROGRAM_DIR}/VXR500Emu.exe"
  CreateDirectory "${SHORTCUTS}"
  CreateShortcut "${SHORTCUTS}\VX-R500 Emulator.lnk" "$INSTDIR\VXR500Emu.exe"
SectionEnd

; An earlier installation's emulator goes when it is no longer chosen.
Section "-Tidy"
  SetShellVarContext all
  ${IfNot} ${SectionIsSelected} ${SecEmulator}
    Delete "$INSTDIR\VXR500Emu.exe"
    Delete "${SHORTCUTS}\VX-R500 Emulator.lnk"
  ${EndIf}
SectionEnd

Function .onInit
  SetRegView 64
  ; One PC, one way of installing: what the MSI package installed, the MSI
  ; package updates and removes.
  ReadRegStr $0 HKLM "Software\ORVIK\VX-R500 Utility" "InstallLocation"
  ${If} $0 != ""
    MessageBox MB_OK|MB_ICONSTOP "The VX-R500 Utility on this PC was installed from its MSI package. Update or remove it with that package." /SD IDOK
    Abort
  ${EndIf}
  ; An upgrade goes where the earlier installation is, with its components.
  ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $0 != ""
    StrCpy $INSTDIR $0
  ${EndIf}
  ${If} ${FileExists} "$INSTDIR\VXR500Emu.exe"
    !insertmacro SelectSection ${SecEmulator}
  ${EndIf}
FunctionEnd

Section "Uninstall"
  SetShellVarContext all
  SetRegView 64
  ; The shortcuts and the registration first: the program folder going is
  ; the last thing the uninstaller does, and what a caller may wait for.
  Delete "${SHORTCUTS}\${PRODUCT}.lnk"
  Delete "${SHORTCUTS}\VX-R500 Emulator.lnk"
  RMDir "${SHORTCUTS}"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  !include "${UNFILES}"
  Delete "$INSTDIR\VXR500Emu.exe"
  Delete "$INSTDIR\Uninstall.exe"
  RMDir "$INSTDIR\LANG"
  RMDir "$INSTDIR"
  ; The maker's folder only when nothing else of the maker's is in it.
  RMDir "$PROGRAMFILES64\${MAKER}"
SectionEnd
