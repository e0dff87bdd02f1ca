; Nightfold setup: puts gen_nightfold.dll into the Plugins folder of an
; existing Winamp installation and registers an uninstaller there.
;
; Build from any directory (paths absolute or relative to this script):
;   makensis -DVERSION=2.0 -DDLL=gen_nightfold.dll -DREADME=README.md -DLICENSE=LICENSE \
;            -DOUTFILE=nightfold-setup.exe nightfold.nsi
; (the build passes the version of CMakeLists.txt)
;
; Command line of the setup:       /S  silent    /D=<Winamp folder>  (last, unquoted)
; Command line of the uninstaller: /S  silent    _?=<Plugins folder> (wait, run in place)
; Exit codes: 0 done, 1 cancelled by the user, 2 refused or failed (nothing changed
; on Windows 95, when the folder has no winamp.exe or the player could not be closed).

Unicode false          ; ANSI build: runs on Windows 98 as well as on NT

!ifndef VERSION
  !error "define VERSION: the version, as 2.0"
!endif
!ifndef DLL
  !error "define DLL: path of gen_nightfold.dll"
!endif
!ifndef README
  !error "define README: path of README.md"
!endif
!ifndef LICENSE
  !error "define LICENSE: path of LICENSE"
!endif
!ifndef OUTFILE
  !error "define OUTFILE: path of the setup to write"
!endif

!define PRODUCT      "Nightfold"
!define PUBLISHER    "The Nightfold developers"
!define PLAYER_EXE   "winamp.exe"
!define PLAYER_CLASS "Winamp v1.x"
!define PLUGIN_DLL   "gen_nightfold.dll"
!define PLUGIN_INI   "gen_nightfold.ini"
!define README_NAME  "nightfold-readme.txt"
!define UNINSTALLER  "nightfold-uninstall.exe"
!define UNINST_ROOT  "Software\Microsoft\Windows\CurrentVersion\Uninstall"
!define UNINST_KEY   "${UNINST_ROOT}\Nightfold"
!define WAIT_MS      5000  ; how long the player gets to close and to release the DLL

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
SetCompressor /SOLID lzma
RequestExecutionLevel admin   ; Program Files and HKLM
BrandingText "${PRODUCT} ${VERSION}"
ShowInstDetails show
ShowUninstDetails show

; Default folder: the player's own uninstall entry (NSIS strips the quotes and
; the uninstaller's file name from UninstallString), else Program Files\Winamp;
; when that has no winamp.exe, .onInit tries the player's per-user entry.
; An explicit /D= overrides all of them.
InstallDir "$PROGRAMFILES\Winamp"
InstallDirRegKey HKLM "${UNINST_ROOT}\Winamp" "UninstallString"

VIProductVersion "${VERSION}.0.0"
VIAddVersionKey "ProductName" "${PRODUCT}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "FileDescription" "${PRODUCT} ${VERSION} Setup"
VIAddVersionKey "CompanyName" "${PUBLISHER}"
VIAddVersionKey "LegalCopyright" "Copyright (c) 2026 ${PUBLISHER}"

!include MUI2.nsh
!include LogicLib.nsh
!include WinMessages.nsh
!include StrFunc.nsh
!include WinVer.nsh
${StrStr}

!define MUI_ABORTWARNING
!define MUI_CUSTOMFUNCTION_GUIINIT RefuseWindows95
!insertmacro MUI_PAGE_LICENSE "${LICENSE}"
!define MUI_DIRECTORYPAGE_TEXT_TOP "$(NfDirTop)"
!define MUI_DIRECTORYPAGE_TEXT_DESTINATION "$(NfDirDest)"
!define MUI_PAGE_CUSTOMFUNCTION_LEAVE CheckPlayerFolder
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_SHOWREADME "$INSTDIR\Plugins\${README_NAME}"
!define MUI_FINISHPAGE_SHOWREADME_NOTCHECKED
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

; The setup's languages: NSIS's own translation of its pages, and ours of the
; setup's own sentences in lang\<name>.nsh. English comes first: it is the
; default, where the user's language is none of these. A language is one file
; in lang\ and one line here, named as NSIS names it.
!macro NF_LANGUAGE NAME
  !insertmacro MUI_LANGUAGE "${NAME}"
  !include "lang/${NAME}.nsh"
  LangString NfCodePage ${LANG_${NAME}} "${LANG_${NAME}_CP}"
!macroend
!insertmacro NF_LANGUAGE "English"
!insertmacro NF_LANGUAGE "German"
!insertmacro NF_LANGUAGE "French"
!insertmacro NF_LANGUAGE "Spanish"
!insertmacro NF_LANGUAGE "Italian"
!insertmacro NF_LANGUAGE "Dutch"
!insertmacro NF_LANGUAGE "Polish"
!insertmacro NF_LANGUAGE "PortugueseBR"
!insertmacro NF_LANGUAGE "Russian"
!insertmacro NF_LANGUAGE "Japanese"
!insertmacro NF_LANGUAGE "SimpChinese"

; NSIS picks the language of the user's Windows display language (the user's
; default language before 2000 and Me), else of its primary language, else
; English. An ANSI setup shows its texts in the system's ANSI code page: a
; language written in another one (Japanese or Russian on a Western code page)
; would come out as garbage, and NSIS shows it all the same: English then.
!macro NF_FALL_BACK_TO_ENGLISH
  System::Call "kernel32::GetACP() i .r0"
  ${If} $(NfCodePage) != $0
    StrCpy $LANGUAGE ${LANG_ENGLISH}
  ${EndIf}
!macroend

Function un.onInit
  !insertmacro NF_FALL_BACK_TO_ENGLISH
FunctionEnd

; Windows 95 has no waitable timers: the player could not load the plugin.
; Silent, .onInit refuses at once; else the first page does, with the box in
; the language .onInit settled on, which NSIS takes up only after .onInit.
Function RefuseWindows95
  ${If} ${IsWin95}
    MessageBox MB_OK|MB_ICONSTOP "$(NfWin95)" /SD IDOK
    SetErrorLevel 2
    Abort
  ${EndIf}
FunctionEnd

Function .onInit
  !insertmacro NF_FALL_BACK_TO_ENGLISH
  ${If} ${Silent}
    Call RefuseWindows95
  ${EndIf}

  ; Neither /D= nor the uninstall entry gave a folder holding the player: try
  ; the folder the player records for the current user. NSIS strips /D= from
  ; $CMDLINE, so an explicit folder is looked for in the process command line.
  ${IfNot} ${FileExists} "$INSTDIR\${PLAYER_EXE}"
    System::Call "kernel32::GetCommandLineA() t .r0"
    ${StrStr} $1 $0 " /D="
    ReadRegStr $2 HKCU "Software\Winamp" ""
    ${If} $1 == ""
    ${AndIf} $2 != ""
    ${AndIf} ${FileExists} "$2\${PLAYER_EXE}"
      StrCpy $INSTDIR $2
    ${EndIf}
  ${EndIf}
FunctionEnd

; Refuses a folder without the player: keeps the directory page open, and
; fails the install (exit code 2 in silent mode) before anything is written.
Function CheckPlayerFolder
  ${IfNot} ${FileExists} "$INSTDIR\${PLAYER_EXE}"
    DetailPrint "$(NfNoPlayerLog)"
    MessageBox MB_OK|MB_ICONSTOP "$(NfNoPlayer)" /SD IDOK
    Abort
  ${EndIf}
FunctionEnd

; The player keeps the plugin locked while it runs. Asks its main window to
; close and waits for it; tells the user (or, silent, fails) when it stays.
!macro CLOSE_PLAYER UN
Function ${UN}ClosePlayer
  FindWindow $0 "${PLAYER_CLASS}"
  ${If} $0 == 0
    Return
  ${EndIf}
  MessageBox MB_OKCANCEL|MB_ICONINFORMATION "$(NfPlayerRunning)" /SD IDOK IDOK close
  DetailPrint "$(NfPlayerRunningLog)"
  Abort
close:
  DetailPrint "$(NfClosingLog)"
  SendMessage $0 ${WM_CLOSE} 0 0 /TIMEOUT=${WAIT_MS}
  StrCpy $1 0
  ${Do}
    FindWindow $0 "${PLAYER_CLASS}"
    ${If} $0 == 0
      Return
    ${EndIf}
    ${If} $1 >= ${WAIT_MS}
      MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "$(NfStillRunning)" /SD IDCANCEL IDRETRY close
      DetailPrint "$(NfStillRunningLog)"
      Abort
    ${EndIf}
    Sleep 250
    IntOp $1 $1 + 250
  ${Loop}
FunctionEnd
!macroend
!insertmacro CLOSE_PLAYER ""
!insertmacro CLOSE_PLAYER "un."

; Copies $PLUGINSDIR\readme into the Plugins folder with CRLF line ends,
; which Notepad needs on the older systems.
Function WriteReadme
  FileOpen $R0 "$PLUGINSDIR\readme" r
  FileOpen $R1 "$INSTDIR\Plugins\${README_NAME}" w
  ${Do}
    ClearErrors
    FileRead $R0 $R2
    ${If} ${Errors}
      ${ExitDo}
    ${EndIf}
    StrCpy $R3 $R2 1 -1
    ${If} $R3 == "$\n"
      StrCpy $R2 $R2 -1
      StrCpy $R3 $R2 1 -1
      ${If} $R3 == "$\r"
        StrCpy $R2 $R2 -1
      ${EndIf}
      StrCpy $R2 "$R2$\r$\n"
    ${EndIf}
    FileWrite $R1 $R2
  ${Loop}
  FileClose $R1
  FileClose $R0
FunctionEnd

; The plugin keeps its settings beside itself, where a user without
; administrator rights may not write: the player saves nothing then (and,
; where it declares itself aware of user account control, Windows does not
; redirect its writes either). Makes the settings file when there is none
; (empty: every key reads as its default), leaves an existing one as it is,
; and lets the local Users group change that one file; nothing else in the
; folder changes. The 9x family has no permissions to set.
Function PrepareSettingsFile
  StrCpy $R0 "$INSTDIR\Plugins\${PLUGIN_INI}"
  ${IfNot} ${FileExists} $R0
    FileOpen $0 $R0 w
    ${If} $0 != ""
      FileClose $0
    ${EndIf}
  ${EndIf}
  ${If} ${AtLeastWinVista}
    ; Users by its well-known SID: the name is translated on other languages.
    nsExec::ExecToLog '"$SYSDIR\icacls.exe" "$R0" /grant *S-1-5-32-545:M'
  ${ElseIf} ${IsNT}
    ; cacls takes no SID, only a name: on a system whose Users group has a
    ; translated name this finds no such group and fails, and the plugin
    ; then says that it cannot save its settings.
    nsExec::ExecToLog '"$SYSDIR\cacls.exe" "$R0" /E /G Users:C'
  ${Else}
    Return
  ${EndIf}
  Pop $0
  ${If} $0 != 0
    DetailPrint "$(NfGrantFailedLog)"
  ${EndIf}
FunctionEnd

Section "Nightfold" SecMain
  SectionIn RO
  Call CheckPlayerFolder
  Call ClosePlayer

  ; The player may take a moment to release the DLL after its window closed.
  SetOutPath "$INSTDIR\Plugins"
  SetOverwrite try
  StrCpy $1 0
write_dll:
  ClearErrors
  File "/oname=${PLUGIN_DLL}" "${DLL}"
  ${If} ${Errors}
    ${If} $1 < ${WAIT_MS}
      Sleep 250
      IntOp $1 $1 + 250
      Goto write_dll
    ${EndIf}
    MessageBox MB_RETRYCANCEL|MB_ICONSTOP "$(NfWriteInUse)" /SD IDCANCEL IDRETRY write_dll
    DetailPrint "$(NfWriteFailedLog)"
    Abort
  ${EndIf}
  SetOverwrite on

  InitPluginsDir
  File "/oname=$PLUGINSDIR\readme" "${README}"
  Call WriteReadme
  Call PrepareSettingsFile

  WriteUninstaller "$INSTDIR\Plugins\${UNINSTALLER}"
  WriteRegStr HKLM "${UNINST_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINST_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINST_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINST_KEY}" "DisplayIcon" "$INSTDIR\Plugins\${UNINSTALLER},0"
  WriteRegStr HKLM "${UNINST_KEY}" "InstallLocation" "$INSTDIR\Plugins"
  WriteRegStr HKLM "${UNINST_KEY}" "UninstallString" "$\"$INSTDIR\Plugins\${UNINSTALLER}$\""
  WriteRegStr HKLM "${UNINST_KEY}" "QuietUninstallString" "$\"$INSTDIR\Plugins\${UNINSTALLER}$\" /S"
  WriteRegDWORD HKLM "${UNINST_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINST_KEY}" "NoRepair" 1
SectionEnd

; The plugin's settings file in the player's settings folder, for the user
; running the uninstaller, into $R0: where the player itself keeps its
; settings, inidir in the paths.ini beside winamp.exe ({26} standing for the
; user's Application Data folder), else Application Data\Winamp. The plugin
; writes there when it cannot write beside itself.
Function un.PlayerSettingsFile
  ReadINIStr $R0 "$INSTDIR\..\paths.ini" "Winamp" "inidir"
  StrCpy $R1 $R0 4
  ${If} $R0 == ""
    StrCpy $R0 "$APPDATA\Winamp"
  ${ElseIf} $R1 == "{26}"
    StrCpy $R1 $R0 "" 4
    StrCpy $R0 "$APPDATA$R1"
  ${EndIf}
  StrCpy $R0 "$R0\Plugins\${PLUGIN_INI}"
FunctionEnd

; The uninstaller lives in the Plugins folder, so $INSTDIR is that folder.
Section "Uninstall"
  Call un.ClosePlayer

  StrCpy $1 0
delete_dll:
  ClearErrors
  Delete "$INSTDIR\${PLUGIN_DLL}"
  ${If} ${Errors}
    ${If} $1 < ${WAIT_MS}
      Sleep 250
      IntOp $1 $1 + 250
      Goto delete_dll
    ${EndIf}
    MessageBox MB_RETRYCANCEL|MB_ICONSTOP "$(NfRemoveInUse)" /SD IDCANCEL IDRETRY delete_dll
    DetailPrint "$(NfRemoveFailedLog)"
    Abort
  ${EndIf}
  Delete "$INSTDIR\${README_NAME}"

  ; The user's settings stay unless the user asks for them to go: beside
  ; the plugin, and the current user's in the player's settings folder.
  Call un.PlayerSettingsFile
  ${If} ${FileExists} "$INSTDIR\${PLUGIN_INI}"
  ${OrIf} ${FileExists} $R0
    MessageBox MB_YESNO|MB_ICONQUESTION|MB_DEFBUTTON2 "$(NfRemoveSettings)$\r$\n$R0" /SD IDNO IDNO keep_settings
    Delete "$INSTDIR\${PLUGIN_INI}"
    Delete $R0
  keep_settings:
  ${EndIf}

  Delete "$INSTDIR\${UNINSTALLER}"
  DeleteRegKey HKLM "${UNINST_KEY}"
SectionEnd
