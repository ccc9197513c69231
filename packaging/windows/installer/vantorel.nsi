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
;
; What is per user (the settings, the start with Windows, the weekly scan, the downloads and
; backups in the user's profile) is never touched by a process running elevated: when an
; administrator's credentials are typed in for a standard user, an elevated process is that
; administrator, with the administrator's HKCU and profile. So both programs start as the user
; who runs them. The set-up then runs itself again elevated for the machine's part (/ELEVATED)
; and starts the program as that user afterwards; the uninstaller removes the user's part first,
; then runs itself elevated for the machine's. Started elevated already (by an administrator, or
; by the updater), each does both parts in one process.

Unicode true
ManifestDPIAware true
RequestExecutionLevel user
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
Var stage          ; "user": this process does the user's part and runs itself elevated for the
                   ; machine's; "machine": the elevated run (/ELEVATED); "": both parts here
Var remove_data    ; 1 when the uninstaller's user said not to keep the downloads and backups

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
!define MUI_PAGE_CUSTOMFUNCTION_SHOW finish_page_show
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
  ; The first run of every user takes the language from here (codes 1 to 11).
  WriteRegDWORD HKLM "Software\Quellmar_Init" "language" $(first_run_language_code)
SectionEnd

Section "$(installer_desktop_shortcut)" section_desktop
  SetShellVarContext all
  CreateShortcut "$DESKTOP\${PRODUCT}.lnk" "$INSTDIR\Vantorel.exe"
SectionEnd

; $stage from the command line and the account: /ELEVATED is the machine's part; a process that
; is not elevated does the user's part.
!macro choose_stage
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/ELEVATED" $1
  ${IfNot} ${Errors}
    StrCpy $stage machine
  ${Else}
    UserInfo::GetAccountType
    Pop $1
    ${If} $1 == "Admin"
      StrCpy $stage ""
    ${Else}
      StrCpy $stage user
    ${EndIf}
  ${EndIf}
!macroend

!if ${NSIS_PTR_SIZE} > 4
  !error "run_elevated fills a 32-bit SHELLEXECUTEINFOW: build the set-up as a 32-bit program"
!endif
; Runs this program again elevated (Windows asks for consent) with the parameters on the stack,
; and waits for it to end. Leaves its exit code on the stack, or "cancelled" when it did not start.
!macro run_elevated_function prefix
Function ${prefix}run_elevated
  Exch $0
  Push $1
  Push $2
  ; SHELLEXECUTEINFOW (32-bit): size 60, SEE_MASK_NOCLOSEPROCESS, the owner, "runas", this
  ; program, the parameters, no folder, SW_SHOWNORMAL; hProcess is its last member.
  System::Call '*(i 60, i 0x40, p $HWNDPARENT, w "runas", w "$EXEPATH", w r0, p 0, i 1, p 0, p 0, p 0, p 0, i 0, p 0, p 0) p .r1'
  System::Call 'shell32::ShellExecuteExW(p r1) i .r2'
  ${If} $2 == 0
    StrCpy $0 cancelled
  ${Else}
    System::Call '*$1(i, i, p, p, p, p, p, i, p, p, p, p, i, p, p .r2)'
    System::Call 'kernel32::WaitForSingleObject(p r2, i -1)'
    System::Call 'kernel32::GetExitCodeProcess(p r2, *i .r0)'
    System::Call 'kernel32::CloseHandle(p r2)'
  ${EndIf}
  System::Free $1
  Pop $2
  Pop $1
  Exch $0
FunctionEnd
!macroend
!insertmacro run_elevated_function ""
!insertmacro run_elevated_function "un."

Function .onInit
  !insertmacro use_registry_view
  !insertmacro choose_stage
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/RUN" $1
  ${IfNot} ${Errors}
    StrCpy $start_program 1
  ${EndIf}
  ${If} $stage == user
    ; The install is the machine's part: it runs elevated (into the same folder, /D= last), and
    ; the program then starts as this user.
    ${If} ${Silent}
      Push "/S /ELEVATED /D=$INSTDIR"
    ${Else}
      Push "/ELEVATED /D=$INSTDIR"
    ${EndIf}
    Call run_elevated
    Pop $1
    ${If} $1 == 0
    ${AndIf} $start_program == 1
      Exec '"$INSTDIR\Vantorel.exe"'
    ${EndIf}
    ${If} $1 == cancelled
      StrCpy $1 1223
      MessageBox MB_OK|MB_ICONEXCLAMATION "$(installer_needs_administrator)" /SD IDOK
    ${EndIf}
    SetErrorLevel $1
    Quit
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

; The elevated run of a user's set-up may be another account (an administrator's password typed
; in): it offers no start of the program, which would run as that account.
Function finish_page_show
  ${If} $stage == machine
    SendMessage $mui.FinishPage.Run ${BM_SETCHECK} ${BST_UNCHECKED} 0
    ShowWindow $mui.FinishPage.Run ${SW_HIDE}
  ${EndIf}
FunctionEnd

Function .onInstSuccess
  ${If} $start_program == 1
  ${AndIf} $stage != machine
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
  !insertmacro choose_stage
  !insertmacro MUI_UNGETLANGUAGE
FunctionEnd

Section "Uninstall"
  ${If} $stage != machine
    Call un.close_running_program
    Call un.ask_keep_data
  ${EndIf}
  ${If} $stage == user
    ; The machine's part first, elevated: when it cannot run, the user keeps everything. The
    ; uninstaller runs from a copy, which names the program folder with _?= (last).
    ${If} $remove_data == 1
      Push "/S /ELEVATED /REMOVEDATA _?=$INSTDIR"
    ${Else}
      Push "/S /ELEVATED _?=$INSTDIR"
    ${EndIf}
    Call un.run_elevated
    Pop $0
    ${If} $0 != 0
      ${If} $0 == cancelled
        StrCpy $0 1223
      ${EndIf}
      MessageBox MB_OK|MB_ICONEXCLAMATION "$(installer_needs_administrator)" /SD IDOK
      SetErrorLevel $0
      Abort
    ${EndIf}
  ${Else}
    Call un.remove_machine_part
  ${EndIf}
  ${If} $stage != machine
    Call un.remove_user_part
  ${EndIf}
SectionEnd

; Asks whether to keep the downloads and backups (yes in a silent run): $remove_data.
Function un.ask_keep_data
  SetShellVarContext current
  Call un.user_data_folders
  StrCpy $remove_data 0
  MessageBox MB_YESNO|MB_ICONQUESTION "$(uninstaller_keep_data)$\n$\n$R2$\n$R1" /SD IDYES IDYES keep_data
    StrCpy $remove_data 1
  keep_data:
  SetShellVarContext all
FunctionEnd

; The user's download folder in $R1 and backup folder in $R2, as the settings name them.
Function un.user_data_folders
  ReadRegStr $R1 HKCU "Software\Quellmar" "download_path"
  ReadRegStr $R2 HKCU "Software\Quellmar" "backup_path"
  ${If} $R1 == ""
    StrCpy $R1 "$LOCALAPPDATA\${PRODUCT}\Downloads"
  ${EndIf}
  ${If} $R2 == ""
    StrCpy $R2 "$LOCALAPPDATA\${PRODUCT}\Backups"
  ${EndIf}
FunctionEnd

; What belongs to the user running the uninstaller: the start with Windows, the weekly scan, the
; settings, and (unless the user keeps them) the downloads and backups in the user's profile.
; Folders the user chose elsewhere are never emptied.
Function un.remove_user_part
  SetShellVarContext current
  Call un.delete_scan_task
  DeleteRegValue HKCU "${RUN_KEY}" "${PRODUCT}"
  Call un.user_data_folders
  ${If} $remove_data == 1
    Push $R1
    Call un.remove_data_folder
    Push $R2
    Call un.remove_data_folder
    Delete "$LOCALAPPDATA\${PRODUCT}\backup.xml"
    Delete "$LOCALAPPDATA\${PRODUCT}\setup.dat"
  ${EndIf}
  ; The updater's downloads are of no use without the program.
  RMDir /r "$LOCALAPPDATA\${PRODUCT}\update"
  RMDir "$LOCALAPPDATA\${PRODUCT}"
  DeleteRegKey HKCU "Software\Quellmar"
  DeleteRegKey HKCU "Software\Quellmar_Init"
  SetShellVarContext all
FunctionEnd

; Removes the folder on the stack with everything in it when it is one of the program's own data
; folders in the user's profile (compared whole, letter case aside: never a prefix).
Function un.remove_data_folder
  Exch $0
  ${If} $0 == "$LOCALAPPDATA\${PRODUCT}\Downloads"
  ${OrIf} $0 == "$LOCALAPPDATA\${PRODUCT}\Backups"
    RMDir /r "$0"
  ${EndIf}
  Pop $0
FunctionEnd

; What belongs to the machine: the program's files, its shortcuts and its entry under Apps. The
; "download" and "backup" folders that versions before kept in the program folder go with
; /REMOVEDATA (the user's answer), else they stay.
Function un.remove_machine_part
  SetShellVarContext all
  Call un.close_running_program
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/REMOVEDATA" $1
  ${IfNot} ${Errors}
    StrCpy $remove_data 1
  ${EndIf}
  ${If} $remove_data == 1
    RMDir /r "$INSTDIR\download"
    RMDir /r "$INSTDIR\backup"
    Delete "$INSTDIR\backup.xml"
  ${EndIf}
  ; Earlier versions' record of started set-ups; the program keeps its own in the user's profile.
  Delete "$INSTDIR\setup.dat"
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
  DeleteRegKey HKLM "Software\Quellmar_Init"
FunctionEnd

; The weekly scan of the user running this: the Task Scheduler 2.0 task named by the user's
; security identifier (as the program names it), then the work item "Vantorel" that versions
; before made.
Function un.delete_scan_task
  Call un.delete_user_task
  Call un.delete_scan_work_item
FunctionEnd

; The task "\Vantorel weekly scan (<SID>)" of the process's own user, deleted with schtasks.
Function un.delete_user_task
  ; TOKEN_QUERY; TokenUser (1) holds a pointer to the user's SID first.
  System::Call 'advapi32::OpenProcessToken(p -1, i 8, *p .r1) i .r2'
  ${If} $2 != 0
    System::Call 'advapi32::GetTokenInformation(p r1, i 1, p 0, i 0, *i .r3)'
    System::Alloc $3
    Pop $4
    System::Call 'advapi32::GetTokenInformation(p r1, i 1, p r4, i r3, *i .r3) i .r2'
    ${If} $2 != 0
      System::Call '*$4(p .r5)'
      System::Call 'advapi32::ConvertSidToStringSidW(p r5, *p .r6) i .r2'
      ${If} $2 != 0
        System::Call '*$6(&w256 .r7)'
        System::Call 'kernel32::LocalFree(p r6)'
        nsExec::Exec '"$SYSDIR\schtasks.exe" /Delete /TN "\${PRODUCT} weekly scan ($7)" /F'
        Pop $2
      ${EndIf}
    ${EndIf}
    System::Free $4
    System::Call 'kernel32::CloseHandle(p r1)'
  ${EndIf}
FunctionEnd

; The work item "Vantorel" of earlier versions, deleted through the Task Scheduler 1.0 interface
; (ITaskScheduler::Delete, the fourth method after IUnknown's three), as they created it.
Function un.delete_scan_work_item
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
