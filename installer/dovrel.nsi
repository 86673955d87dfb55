; Dovrel's setup: installs for the current user only, without administrator
; rights, under %LOCALAPPDATA%\Programs\Dovrel; puts the x64 or the x86
; program there by the machine; /S installs silently. Its uninstaller
; removes every file, shortcut and key made here and nothing else (never
; Documents\PPT_RES).
;
;   makensis -INPUTCHARSET UTF8 -DVERSION=1.2.0 -DX64_PROGRAM=<x64 Dovrel.exe>
;            -DX86_PROGRAM=<x86 Dovrel.exe> -DICON=<dovrel.ico> -DREADME=<使用说明.txt>
;            -DOUTFILE=<setup.exe> [-DTARGET=amd64-unicode] dovrel.nsi
;
; The shipped setup is a 32-bit (x86-unicode) program, so that it runs on
; every machine; TARGET=amd64-unicode makes the same setup as a 64-bit
; program (for hosts that run no 32-bit programs).

!ifndef TARGET
  !define TARGET x86-unicode
!endif
Target ${TARGET}

!include MUI2.nsh
!include LogicLib.nsh
!include x64.nsh
!include FileFunc.nsh

!define PRODUCT Dovrel
!define VERB_TEXT "提取图片和视频"
!define SEND_TO_LINK "$SENDTO\Dovrel ${VERB_TEXT}.lnk"
!define START_MENU_LINK "$SMPROGRAMS\Dovrel.lnk"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Dovrel"
!define ASSOCIATIONS "Software\Classes\SystemFileAssociations"
; Every file folder, and every drive (a class of its own): Explorer gives
; the verb the folder's path, "D:\资料", or the drive's root, "D:\", and the
; program takes it as every document in it and its subfolders.
!define FOLDERS "Software\Classes\Directory"
!define DRIVES "Software\Classes\Drive"

Name "${PRODUCT}"
Caption "${PRODUCT} ${VERSION} 安装"
UninstallCaption "${PRODUCT} ${VERSION} 卸载"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\Dovrel"
RequestExecutionLevel user
SetCompressor /SOLID lzma
Icon "${ICON}"
UninstallIcon "${ICON}"
BrandingText "${PRODUCT} ${VERSION}"

VIProductVersion "${VERSION}.0"
VIFileVersion "${VERSION}.0"
VIAddVersionKey /LANG=2052 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=2052 "CompanyName" "${PRODUCT}"
VIAddVersionKey /LANG=2052 "FileDescription" "${PRODUCT} 安装程序"
VIAddVersionKey /LANG=2052 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=2052 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=2052 "LegalCopyright" "${PRODUCT}"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_FINISHPAGE_RUN "$INSTDIR\Dovrel.exe"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "SimpChinese"

; Every extension the program reads, one macro call each.
!macro ForEachExtension MACRO
  !insertmacro ${MACRO} ppt
  !insertmacro ${MACRO} pps
  !insertmacro ${MACRO} pot
  !insertmacro ${MACRO} pptx
  !insertmacro ${MACRO} pptm
  !insertmacro ${MACRO} ppsx
  !insertmacro ${MACRO} ppsm
  !insertmacro ${MACRO} potx
  !insertmacro ${MACRO} potm
  !insertmacro ${MACRO} doc
  !insertmacro ${MACRO} dot
  !insertmacro ${MACRO} docx
  !insertmacro ${MACRO} docm
  !insertmacro ${MACRO} dotx
  !insertmacro ${MACRO} dotm
  !insertmacro ${MACRO} xls
  !insertmacro ${MACRO} xlt
  !insertmacro ${MACRO} xlsx
  !insertmacro ${MACRO} xlsm
  !insertmacro ${MACRO} xlsb
  !insertmacro ${MACRO} xltx
  !insertmacro ${MACRO} xltm
  !insertmacro ${MACRO} dps
  !insertmacro ${MACRO} dpt
  !insertmacro ${MACRO} wps
  !insertmacro ${MACRO} wpt
  !insertmacro ${MACRO} et
  !insertmacro ${MACRO} ett
  !insertmacro ${MACRO} odp
  !insertmacro ${MACRO} otp
  !insertmacro ${MACRO} odt
  !insertmacro ${MACRO} ott
  !insertmacro ${MACRO} ods
  !insertmacro ${MACRO} ots
  !insertmacro ${MACRO} odg
  !insertmacro ${MACRO} otg
!macroend

; Explorer's verb on the class at KEY (an extension's, or folders'): its
; text, the program's icon, and the command Explorer runs once for each
; chosen file or folder.
!macro WriteVerbAt KEY
  WriteRegStr HKCU "${KEY}\shell\Dovrel" "" "${VERB_TEXT}"
  WriteRegStr HKCU "${KEY}\shell\Dovrel" "Icon" "$INSTDIR\Dovrel.exe,0"
  WriteRegStr HKCU "${KEY}\shell\Dovrel\command" "" '"$INSTDIR\Dovrel.exe" "%1"'
!macroend

; The verb goes; so do the keys above it that it alone kept.
!macro DeleteVerbAt KEY
  DeleteRegKey HKCU "${KEY}\shell\Dovrel"
  DeleteRegKey /ifempty HKCU "${KEY}\shell"
  DeleteRegKey /ifempty HKCU "${KEY}"
!macroend

!macro WriteVerb EXT
  !insertmacro WriteVerbAt "${ASSOCIATIONS}\.${EXT}"
!macroend

!macro DeleteVerb EXT
  !insertmacro DeleteVerbAt "${ASSOCIATIONS}\.${EXT}"
!macroend

; HKCU\Software\Classes is not split between 32- and 64-bit views for these
; keys; the 64-bit view all the same, so a 32-bit setup writes where the
; 64-bit Explorer reads.
!macro UseMachineView
  SetShellVarContext current
  !if ${NSIS_PTR_SIZE} > 4
    SetRegView 64
  !else
    ${If} ${RunningX64}
      SetRegView 64
    ${EndIf}
  !endif
!macroend

Function .onInit
  !insertmacro UseMachineView
FunctionEnd

Function un.onInit
  !insertmacro UseMachineView
FunctionEnd

Section "Dovrel"
  SetOutPath "$INSTDIR"
  !if ${NSIS_PTR_SIZE} > 4
    ; A 64-bit setup runs on x64 machines only.
    File "/oname=Dovrel.exe" "${X64_PROGRAM}"
  !else
    ${If} ${RunningX64}
      File "/oname=Dovrel.exe" "${X64_PROGRAM}"
    ${Else}
      File "/oname=Dovrel.exe" "${X86_PROGRAM}"
    ${EndIf}
  !endif
  File "/oname=使用说明.txt" "${README}"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  CreateShortcut "${START_MENU_LINK}" "$INSTDIR\Dovrel.exe"
  CreateShortcut "${SEND_TO_LINK}" "$INSTDIR\Dovrel.exe"
  !insertmacro ForEachExtension WriteVerb
  !insertmacro WriteVerbAt "${FOLDERS}"
  !insertmacro WriteVerbAt "${DRIVES}"

  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Dovrel.exe,0"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${PRODUCT}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $0
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1

  ; Explorer shows the new verbs without a new logon.
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
SectionEnd

Section "Uninstall"
  Delete "$INSTDIR\Dovrel.exe"
  Delete "$INSTDIR\使用说明.txt"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  Delete "${START_MENU_LINK}"
  Delete "${SEND_TO_LINK}"
  !insertmacro ForEachExtension DeleteVerb
  !insertmacro DeleteVerbAt "${FOLDERS}"
  !insertmacro DeleteVerbAt "${DRIVES}"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
SectionEnd
