; TamberlySetup.exe, the setup program a family downloads. It carries the
; product of both bitnesses and hands the installation itself to tbinstall,
; which places the files, registers the components in both registry views,
; writes the start value, the installation mode, the time-zone hand-over and
; the Add/Remove Programs entry. Removal is the product's own uninstall
; (password first, then two steps across a restart), so setup writes no
; uninstaller of its own.
;
; Command line: TamberlySetup.exe [/S] [/NORMAL | /PROXY]
;   /S       silent: no pages, no questions
;   /NORMAL  filter in the browser (the default on a first install)
;   /PROXY   proxy mode
; Without either, an upgrade keeps the installed mode.
; Exit codes: 0 installed, 3010 installed over a running Tamberly (the
; programs that were in use are replaced when Windows restarts), 1 failed,
; 2 an uninstall waits for a restart, 3 the package does not fit this Windows.
;
;   makensis -DPAYLOAD=<folder: x64 x86 lists setup> -DOUTFILE=<exe> tamberly.nsi

Unicode true
ManifestSupportedOS all
RequestExecutionLevel admin
SetCompressor /SOLID lzma

!include LogicLib.nsh
!include x64.nsh
!include FileFunc.nsh
!include nsDialogs.nsh

!ifndef PAYLOAD | OUTFILE
  !error "usage: makensis -DPAYLOAD=<folder> -DOUTFILE=<setup program> tamberly.nsi"
!endif

!define PRODUCT_KEY "Software\Quillmoor\TamberlyIE"
!define ENTRY_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Tamberly"

Name "Tamberly"
Caption "Tamberly Setup"
BrandingText "Tamberly"
OutFile "${OUTFILE}"
ShowInstDetails show
VIProductVersion 1.0.0.0
VIAddVersionKey ProductName "Tamberly"
VIAddVersionKey CompanyName "Quillmoor"
VIAddVersionKey FileDescription "Tamberly Setup"
VIAddVersionKey FileVersion "1.0"
VIAddVersionKey ProductVersion "1.0"
VIAddVersionKey LegalCopyright "Quillmoor"

Var Mode          ; 0 normal, 1 proxy mode
Var NormalChoice
Var ProxyChoice

Page custom ModePage ModePageLeave
Page instfiles

Function .onInit
  ; The service is 64-bit on 64-bit Windows: read what it reads.
  ${If} ${RunningX64}
    SetRegView 64
  ${EndIf}
  ClearErrors
  ReadRegDWORD $Mode HKLM "${PRODUCT_KEY}" "usingProxy"
  ${If} ${Errors}
  ${OrIf} $Mode != 1
    StrCpy $Mode 0
  ${EndIf}
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/PROXY" $R1
  ${IfNot} ${Errors}
    StrCpy $Mode 1
  ${EndIf}
  ClearErrors
  ${GetOptions} $R0 "/NORMAL" $R1
  ${IfNot} ${Errors}
    StrCpy $Mode 0
  ${EndIf}
FunctionEnd

Function ModePage
  nsDialogs::Create 1018
  Pop $0
  ${NSD_CreateLabel} 0 0 100% 24u "How should Tamberly watch the web on this computer?"
  Pop $0
  ${NSD_CreateRadioButton} 0 30u 100% 12u "&Normal: Tamberly works inside Internet Explorer (recommended)"
  Pop $NormalChoice
  ${NSD_CreateRadioButton} 0 48u 100% 12u "&Proxy mode: the browser's proxy settings point at a local filtering proxy"
  Pop $ProxyChoice
  ${NSD_CreateLabel} 0 72u 100% 36u "After setup, open the Tamberly Manager from the Start menu and choose your password. Until you do, anyone can change the settings."
  Pop $0
  ${If} $Mode == 1
    ${NSD_Check} $ProxyChoice
  ${Else}
    ${NSD_Check} $NormalChoice
  ${EndIf}
  nsDialogs::Show
FunctionEnd

Function ModePageLeave
  ${NSD_GetState} $ProxyChoice $0
  ${If} $0 == ${BST_CHECKED}
    StrCpy $Mode 1
  ${Else}
    StrCpy $Mode 0
  ${EndIf}
FunctionEnd

Section "Tamberly"
  InitPluginsDir
  StrCpy $0 "$PLUGINSDIR\product"
  SetOutPath "$0"
  File /r "${PAYLOAD}\*"
  ${If} ${RunningX64}
    StrCpy $1 '"$0\setup\tbinstall-x64.exe" "--files=$0\x64" "--files32=$0\x86" "--lists=$0\lists"'
  ${Else}
    StrCpy $1 '"$0\setup\tbinstall-x86.exe" "--files=$0\x86" "--lists=$0\lists"'
  ${EndIf}
  StrCpy $1 "$1 --computer-timezone"
  ${If} $Mode == 1
    StrCpy $1 "$1 --proxy"
  ${EndIf}
  DetailPrint "Installing Tamberly..."
  nsExec::ExecToLog $1
  Pop $2
  SetOutPath "$TEMP"
  RMDir /r "$0"

  ${If} $2 == 0
    DetailPrint "Tamberly is installed."
  ${ElseIf} $2 == 3010
    DetailPrint "Tamberly is installed. Restart Windows to finish: the programs that were running are replaced then."
    SetErrorLevel 3010
    SetRebootFlag true
  ${ElseIf} $2 == 2
    SetErrorLevel 2
    MessageBox MB_OK|MB_ICONSTOP "Tamberly is being uninstalled. Restart Windows to finish that, then run setup again." /SD IDOK
    Abort "Tamberly is being uninstalled: restart Windows first."
  ${ElseIf} $2 == 3
    SetErrorLevel 3
    MessageBox MB_OK|MB_ICONSTOP "This setup program does not fit this version of Windows." /SD IDOK
    Abort "Setup does not fit this Windows."
  ${Else}
    SetErrorLevel 1
    MessageBox MB_OK|MB_ICONSTOP "Setup could not install Tamberly (code $2). The details above say what failed." /SD IDOK
    Abort "Setup could not install Tamberly."
  ${EndIf}

  ${If} ${RebootFlag}
    MessageBox MB_YESNO|MB_ICONQUESTION "Tamberly is installed. Windows must restart to finish, because Tamberly was running. Restart now?" /SD IDNO IDNO later
    Reboot
  later:
    Return
  ${EndIf}

  ClearErrors
  ReadRegStr $3 HKLM "${ENTRY_KEY}" "InstallLocation"
  ${IfNot} ${Errors}
  ${AndIf} ${FileExists} "$3Tamberly.exe"
    MessageBox MB_YESNO|MB_ICONQUESTION "Tamberly is installed. Open the Tamberly Manager now to choose your password?" /SD IDNO IDNO done
    Exec '"$3Tamberly.exe"'
  done:
  ${EndIf}
SectionEnd
