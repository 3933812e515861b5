; zorvane-setup.exe: puts zorvane.scr into the system folder, can make it the current screen saver,
; and registers an uninstaller with Add/Remove Programs.
; makensis -DVERSION=0.1 -DFILE_VERSION=0.1.0.0 -DPROGRAM=zorvane.scr -DLICENSE=LICENSE
;          -DICON=zorvane.ico -DPICTURE=wizard.bmp -DOUTFILE=zorvane-setup.exe zorvane.nsi
; Silent use: zorvane-setup.exe /S [/ACTIVATE]; uninstall.exe /S [/REMOVESETTINGS].

Unicode true
; A 64-bit installer for a 64-bit program: $SYSDIR is the real System32 and the registry is seen
; in its 64-bit view without redirection, and Wine without its 32-bit half can run it.
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel admin
ManifestDPIAware true

!include MUI2.nsh
!include FileFunc.nsh
!include LogicLib.nsh
!include Sections.nsh

!define PUBLISHER "Maravek Studio"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Zorvane"
!define SETTINGS_PARENT "Software\${PUBLISHER}"
!define SETTINGS_KEY "${SETTINGS_PARENT}\Zorvane"
!define DESKTOP_KEY "Control Panel\Desktop"
; SystemParametersInfo: turn the screen saver on, store it and tell running programs.
!define SPI_SETSCREENSAVEACTIVE 17
!define SPIF_UPDATEINIFILE_SENDCHANGE 3

Name "Zorvane"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Zorvane"
BrandingText "Zorvane ${VERSION}"

VIProductVersion "${FILE_VERSION}"
VIFileVersion "${FILE_VERSION}"
VIAddVersionKey /LANG=1033 "ProductName" "Zorvane"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1033 "FileDescription" "Zorvane screen saver setup"
VIAddVersionKey /LANG=1033 "LegalCopyright" "Copyright (c) 2026 ${PUBLISHER}"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_WELCOMEFINISHPAGE_BITMAP "${PICTURE}"
!define MUI_ABORTWARNING
!define MUI_WELCOMEPAGE_TEXT "This will install the Zorvane screen saver on your computer: a pendulum \
clock in a dim study on a stormy night.$\r$\n$\r$\nClick Next to continue."
!define MUI_FINISHPAGE_RUN "$SYSDIR\zorvane.scr"
!define MUI_FINISHPAGE_RUN_PARAMETERS "/c"
!define MUI_FINISHPAGE_RUN_TEXT "Open the screen saver's settings"
!define MUI_FINISHPAGE_RUN_NOTCHECKED

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_LICENSE "${LICENSE}"
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

Var RemoveSettings

Section "Zorvane screen saver" SecProgram
    SectionIn RO
    SetOutPath "$SYSDIR"
    File "/oname=zorvane.scr" "${PROGRAM}"
    SetOutPath "$INSTDIR"
    WriteUninstaller "$INSTDIR\uninstall.exe"

    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Zorvane"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
    ; The program has no icon of its own; the uninstaller carries Zorvane's.
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\uninstall.exe"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
    ${GetSize} "$SYSDIR" "/M=zorvane.scr /S=0K /G=0" $0 $1 $2
    ${GetSize} "$INSTDIR" "/S=0K" $1 $2 $3
    IntOp $0 $0 + $1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Section "Make it my screen saver" SecActivate
    WriteRegStr HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE" "$SYSDIR\zorvane.scr"
    System::Call 'user32::SystemParametersInfoW(i ${SPI_SETSCREENSAVEACTIVE}, i 1, p 0, \
        i ${SPIF_UPDATEINIFILE_SENDCHANGE})'
SectionEnd

!insertmacro MUI_FUNCTION_DESCRIPTION_BEGIN
    !insertmacro MUI_DESCRIPTION_TEXT ${SecProgram} "The screen saver, in the Windows system folder."
    !insertmacro MUI_DESCRIPTION_TEXT ${SecActivate} "Use Zorvane as the current screen saver."
!insertmacro MUI_FUNCTION_DESCRIPTION_END

; A silent install changes the user's screen saver only when asked to with /ACTIVATE.
Function .onInit
    ${If} ${Silent}
        ${GetParameters} $0
        ClearErrors
        ${GetOptions} $0 "/ACTIVATE" $1
        ${If} ${Errors}
            !insertmacro UnselectSection ${SecActivate}
        ${EndIf}
    ${EndIf}
FunctionEnd

Function un.onInit
    ${GetParameters} $0
    ClearErrors
    ${GetOptions} $0 "/REMOVESETTINGS" $1
    ${If} ${Errors}
        StrCpy $RemoveSettings 0
    ${Else}
        StrCpy $RemoveSettings 1
    ${EndIf}
FunctionEnd

Section "Uninstall"
    Delete /REBOOTOK "$SYSDIR\zorvane.scr"

    ; The user may have chosen another screen saver since; only our own choice is taken back.
    ReadRegStr $0 HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
    ${If} $0 == "$SYSDIR\zorvane.scr"
        DeleteRegValue HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
    ${EndIf}

    ${If} $RemoveSettings == 0
    ${AndIfNot} ${Silent}
        ${If} ${Cmd} `MessageBox MB_YESNO|MB_ICONQUESTION "Remove your Zorvane settings too?" IDYES`
            StrCpy $RemoveSettings 1
        ${EndIf}
    ${EndIf}
    ${If} $RemoveSettings == 1
        DeleteRegKey HKCU "${SETTINGS_KEY}"
        DeleteRegKey /ifempty HKCU "${SETTINGS_PARENT}"
    ${EndIf}

    DeleteRegKey HKLM "${UNINSTALL_KEY}"
    Delete "$INSTDIR\uninstall.exe"
    ; Last, so that a folder gone means the uninstaller has finished.
    RMDir /REBOOTOK "$INSTDIR"
SectionEnd
