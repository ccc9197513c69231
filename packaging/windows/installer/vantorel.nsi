; Vantorel's set-up program, built by makensis (packaging/windows/installer/build_installer.sh):
; installs the program for the whole machine, upgrades an installed Vantorel in place and writes
; the uninstaller that removes it again.
;
; Defines given by the build:
;   VERSION      the release, three numbers ("1.1.0")
;   STAGE        the folder with Vantorel.exe, language.ini, DPInst32.exe, DPInst64.exe and
;                update.exe
;   TEXTS        the generated include with this set-up's own texts in the program's languages
;   OUTPUT_FILE  where the set-up program is written
;   BITS         32 (the shipped build) or 64: which Program Files folder and registry view
;   SIGN         optional: a command that signs the file named by its last argument in place
;
; Switches: /S silent; /RUN starts the installed program at the end (the updater passes both).

Unicode true
ManifestDPIAware true
RequestExecutionLevel admin
SetCompressor /SOLID lzma

!ifndef VERSION
  !error "VERSION, STAGE, TEXTS and OUTPUT_FILE are given by build_installer.sh"
!endif
!ifndef BITS
  !define BITS 32
!endif

!define PRODUCT "Vantorel"
!define PUBLISHER "Quellmar"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Vantorel"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"

!ifdef SIGN
  !finalize '${SIGN} "%1"' = 0
  !uninstfinalize '${SIGN} "%1"' = 0
!endif

!include MUI2.nsh
!include FileFunc.nsh
!include LogicLib.nsh
!include Sections.nsh

Name "${PRODUCT}"
OutFile "${OUTPUT_FILE}"
!if ${BITS} == 64
  InstallDir "$PROGRAMFILES64\${PRODUCT}"
!else
  InstallDir "$PROGRAMFILES32\${PRODUCT}"
!endif
BrandingText "${PRODUCT} ${VERSION}"
ShowInstDetails nevershow
ShowUninstDetails nevershow

Var start_program  ; 1 when /RUN was given

!define MUI_ABORTWARNING
!define MUI_COMPONENTSPAGE_NODESC
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_FUNCTION start_program_as_user
; The language chosen at the first install is offered again by later ones and used by the
; uninstaller.
!define MUI_LANGDLL_ALLLANGUAGES
!define MUI_LANGDLL_ALWAYSSHOW
!define MUI_LANGDLL_REGISTRY_ROOT HKLM
!define MUI_LANGDLL_REGISTRY_KEY "${UNINSTALL_KEY}"
!define MUI_LANGDLL_REGISTRY_VALUENAME "InstallerLanguage"

!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

; The program's eleven languages, English first (the fallback); the generated texts follow.
!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "German"
!insertmacro MUI_LANGUAGE "Spanish"
!insertmacro MUI_LANGUAGE "French"
!insertmacro MUI_LANGUAGE "Italian"
!insertmacro MUI_LANGUAGE "Japanese"
!insertmacro MUI_LANGUAGE "SimpChinese"
!insertmacro MUI_LANGUAGE "TradChinese"
!insertmacro MUI_LANGUAGE "Dutch"
!insertmacro MUI_LANGUAGE "Portuguese"
!insertmacro MUI_LANGUAGE "Arabic"
!insertmacro MUI_RESERVEFILE_LANGDLL
!include "${TEXTS}"

VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileDescription" "${PRODUCT} Setup"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "LegalCopyright" "Copyright (C) 2013 ${PUBLISHER}"

!include "running_program.nsh"
!insertmacro running_program_functions ""
!insertmacro running_program_functions "un."

!macro use_registry_view
  !if ${BITS} == 64
    SetRegView 64
  !else
    SetRegView 32
  !endif
!macroend

Section "${PRODUCT}" section_program
  SectionIn RO
  SetShellVarContext all
  Call close_running_program
  SetOutPath "$INSTDIR"
  File "${STAGE}\Vantorel.exe"
  File "${STAGE}\language.ini"
  File "${STAGE}\DPInst32.exe"
  File "${STAGE}\DPInst64.exe"
  SetOutPath "$INSTDIR\update"
  Call wait_for_updater
  File "${STAGE}\update.exe"
  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateShortcut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\Vantorel.exe"

  ; The size of what was installed: the program folder without the download and backup folders.
  ${GetSize} "$INSTDIR" "/S=0K /G=0" $0 $1 $2
  ${GetSize} "$INSTDIR\update" "/S=0K" $3 $1 $2
  IntOp $0 $0 + $3
  !insertmacro use_registry_view
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" '"$INSTDIR\Vantorel.exe",0'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallerLanguage" $LANGUAGE
  ; The program's first run takes its language from here (codes 1 to 11).
  WriteRegDWORD HKCU "Software\Quellmar_Init" "language" $(first_run_language_code)
SectionEnd

Section "$(installer_desktop_shortcut)" section_desktop
  SetShellVarContext all
  CreateShortcut "$DESKTOP\${PRODUCT}.lnk" "$INSTDIR\Vantorel.exe"
SectionEnd

Function .onInit
  !insertmacro use_registry_view
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/RUN" $1
  ${IfNot} ${Errors}
    StrCpy $start_program 1
  ${EndIf}
  ; An upgrade keeps the user's choice of a desktop shortcut.
  ClearErrors
  ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "UninstallString"
  SetShellVarContext all
  ${IfNot} ${Errors}
  ${AndIfNot} ${FileExists} "$DESKTOP\${PRODUCT}.lnk"
    !insertmacro UnselectSection ${section_desktop}
  ${EndIf}
  !insertmacro MUI_LANGDLL_DISPLAY
FunctionEnd

Function .onInstSuccess
  ${If} $start_program == 1
    Call start_program_as_user
  ${EndIf}
FunctionEnd

; The updater's update.exe may still be ending when it has started this set-up: its file is
; replaced once it can be (at most 30 seconds).
Function wait_for_updater
  StrCpy $1 0
  ${DoWhile} ${FileExists} "$INSTDIR\update\update.exe"
    ClearErrors
    Delete "$INSTDIR\update\update.exe"
    ${IfNot} ${Errors}
      ${Break}
    ${EndIf}
    IntOp $1 $1 + 1
    ${If} $1 > 60
      ${Break}
    ${EndIf}
    Sleep 500
  ${Loop}
FunctionEnd

; The program runs as the signed-in user, not elevated as this set-up: on Windows the shell
; (Explorer, which runs as that user) starts it. Under Wine there is only one user.
Function start_program_as_user
  System::Call 'kernel32::GetModuleHandleW(w "ntdll.dll") p .r0'
  System::Call 'kernel32::GetProcAddress(p r0, m "wine_get_version") p .r1'
  ${If} $1 P<> 0
    Exec '"$INSTDIR\Vantorel.exe"'
  ${Else}
    Exec '"$WINDIR\explorer.exe" "$INSTDIR\Vantorel.exe"'
  ${EndIf}
FunctionEnd

Function un.onInit
  !insertmacro use_registry_view
  !insertmacro MUI_UNGETLANGUAGE
FunctionEnd

Section "Uninstall"
  SetShellVarContext all
  Call un.close_running_program
  Call un.delete_scan_task
  DeleteRegValue HKCU "${RUN_KEY}" "${PRODUCT}"

  ; The backups and downloads stay unless the user says otherwise (a silent uninstall keeps them).
  ; Folders the user chose outside the program folder are never emptied by the uninstaller.
  ReadRegStr $R1 HKCU "Software\Quellmar" "download_path"
  ReadRegStr $R2 HKCU "Software\Quellmar" "backup_path"
  ${If} $R1 == ""
    StrCpy $R1 "$INSTDIR\download"
  ${EndIf}
  ${If} $R2 == ""
    StrCpy $R2 "$INSTDIR\backup"
  ${EndIf}
  MessageBox MB_YESNO|MB_ICONQUESTION "$(uninstaller_keep_data)$\n$\n$R2$\n$R1" /SD IDYES IDYES keep_data
    Push $R1
    Call un.remove_folder_in_program_folder
    Push $R2
    Call un.remove_folder_in_program_folder
  keep_data:

  Delete "$INSTDIR\Vantorel.exe"
  Delete "$INSTDIR\language.ini"
  Delete "$INSTDIR\DPInst32.exe"
  Delete "$INSTDIR\DPInst64.exe"
  Delete "$INSTDIR\update\update.exe"
  RMDir "$INSTDIR\update"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  Delete "$SMPROGRAMS\${PRODUCT}.lnk"
  Delete "$DESKTOP\${PRODUCT}.lnk"

  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  DeleteRegKey HKCU "Software\Quellmar"
  DeleteRegKey HKCU "Software\Quellmar_Init"
SectionEnd

; Removes the folder on the stack with everything in it when it lies inside the program folder.
Function un.remove_folder_in_program_folder
  Exch $0
  StrLen $1 "$INSTDIR\"
  StrCpy $2 $0 $1
  ${If} $2 == "$INSTDIR\"
  ${AndIf} $0 != "$INSTDIR\"
    RMDir /r "$0"
  ${EndIf}
  Pop $0
FunctionEnd

; The weekly scan's work item "Vantorel", deleted through the Task Scheduler's own interface
; (ITaskScheduler::Delete, the fourth method after IUnknown's three), as the program created it.
Function un.delete_scan_task
  System::Call 'ole32::CoInitializeEx(p 0, i 2) i .r3'
  System::Call 'ole32::CoCreateInstance(g "{148BD52A-A2AB-11CE-B11F-00AA00530503}", p 0, i 1, g "{148BD527-A2AB-11CE-B11F-00AA00530503}", *p .r0) i .r1'
  ${If} $1 == 0
    System::Call '$0->7(w "${PRODUCT}") i .r2'
    System::Call '$0->2()'
  ${EndIf}
  ${If} $3 >= 0
    System::Call 'ole32::CoUninitialize()'
  ${EndIf}
FunctionEnd
