; A running Vantorel is ended before its files are replaced or removed: its main window is found
; by class and title, as a second start of the program finds it, and told to exit through the
; main menu's Exit entry; then the set-up waits for the process to end. When it does not end
; (a question of the program's is waiting for the user), the user may close it and retry; a
; silent run gives up with exit code 2.

!define VANTOREL_WINDOW_CLASS "VantorelMainWindow"
!define VANTOREL_WINDOW_TITLE "Vantorel"
!define VANTOREL_COMMAND_EXIT 32781
!define VANTOREL_EXIT_WAIT_MS 20000

!macro running_program_functions prefix
Function ${prefix}close_running_program
  Push $0
  Push $1
  Push $2
  Push $3
  ${Do}
    FindWindow $0 "${VANTOREL_WINDOW_CLASS}" "${VANTOREL_WINDOW_TITLE}"
    ${If} $0 == 0
      ${Break}
    ${EndIf}
    System::Call 'user32::GetWindowThreadProcessId(p r0, *i 0 r1)'
    ; SYNCHRONIZE
    System::Call 'kernel32::OpenProcess(i 0x00100000, i 0, i r1) p .r2'
    System::Call 'user32::PostMessageW(p r0, i ${WM_COMMAND}, p ${VANTOREL_COMMAND_EXIT}, p 0)'
    ${If} $2 P<> 0
      System::Call 'kernel32::WaitForSingleObject(p r2, i ${VANTOREL_EXIT_WAIT_MS}) i .r3'
      System::Call 'kernel32::CloseHandle(p r2)'
    ${Else}
      ; Without access to the process, the window's end stands for the program's.
      StrCpy $3 258
      StrCpy $2 0
      ${DoWhile} $2 < ${VANTOREL_EXIT_WAIT_MS}
        System::Call 'user32::IsWindow(p r0) i .r1'
        ${If} $1 == 0
          Sleep 1000
          StrCpy $3 0
          ${Break}
        ${EndIf}
        Sleep 250
        IntOp $2 $2 + 250
      ${Loop}
    ${EndIf}
    ${If} $3 != 0
      MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "$(installer_still_running)" /SD IDCANCEL IDRETRY close_retry
        SetErrorLevel 2
        Quit
      close_retry:
    ${EndIf}
  ${Loop}
  Pop $3
  Pop $2
  Pop $1
  Pop $0
FunctionEnd
!macroend
