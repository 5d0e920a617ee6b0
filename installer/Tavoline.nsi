; Tavoline's installer (NSIS 3, built on Linux with makensis). One script for both builds:
;   makensis -DARCH=win32|win64 -DVERSION=1.0.0.1 -DFILES=<folder> -DOUTFILE=<installer> Tavoline.nsi
; FILES holds what is shipped: Tavoline.exe, ZipArchive.dll, LICENSE.txt, THIRD-PARTY-NOTICES.txt
; and USER-GUIDE.txt.
; It installs for the current user (no administrator rights asked) unless it runs elevated, then
; for all users; /CurrentUser or /AllUsers choose explicitly, /S installs silently, /D=<folder>
; chooses the folder. Explorer learns to offer Tavoline for .zip files without ever taking the
; default association, and the uninstaller removes exactly what this added.

Unicode true
!if "${ARCH}" == "win64"
  Target amd64-unicode
!else
  Target x86-unicode
!endif
SetCompressor /SOLID lzma

!include LogicLib.nsh
!include FileFunc.nsh

!define PRODUCT "Tavoline"
!define PUBLISHER "Korrel Utilities"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Tavoline"
!define CLASSES "Software\Classes"
!define PROGID "Tavoline.zip"
!define UNZIP_VERB "TavolineUnzip"
!define ZIP_VERB "TavolineZip"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
RequestExecutionLevel user
ManifestSupportedOS all
ManifestDPIAware true
BrandingText "${PRODUCT} ${VERSION}"
InstallDir ""
ShowInstDetails nevershow
ShowUninstDetails nevershow

VIProductVersion "${VERSION}"
VIFileVersion "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1033 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1033 "FileDescription" "${PRODUCT} Setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "Copyright (c) The Tavoline developers"

LicenseData "${FILES}/LICENSE.txt"
LicenseForceSelection checkbox
Page license
Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

; The registry view matches the build, so the 64-bit program's keys are not redirected.
!macro UseBuildRegView
  !if "${ARCH}" == "win64"
    SetRegView 64
  !endif
!macroend

Function .onInit
  !insertmacro UseBuildRegView
  ${GetParameters} $R0
  ClearErrors
  ; Elevated (or an administrator without UAC): all users; otherwise the user alone.
  System::Call 'shell32::IsUserAnAdmin() i .r1'
  ${GetOptions} $R0 "/CurrentUser" $R1
  ${IfNot} ${Errors}
    StrCpy $1 0
  ${EndIf}
  ClearErrors
  ${GetOptions} $R0 "/AllUsers" $R1
  ${IfNot} ${Errors}
    StrCpy $1 1
  ${EndIf}
  ${If} $1 <> 0
    SetShellVarContext all
    !if "${ARCH}" == "win64"
      StrCpy $R2 "$PROGRAMFILES64\${PRODUCT}"
    !else
      StrCpy $R2 "$PROGRAMFILES\${PRODUCT}"
    !endif
  ${Else}
    SetShellVarContext current
    StrCpy $R2 "$LOCALAPPDATA\Programs\${PRODUCT}"
  ${EndIf}
  ; An upgrade goes where the earlier version is; /D= wins over both.
  ReadRegStr $R3 SHCTX "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $R3 != ""
    StrCpy $R2 $R3
  ${EndIf}
  ${If} $INSTDIR == ""
    StrCpy $INSTDIR $R2
  ${EndIf}
FunctionEnd

Section
  SetOutPath "$INSTDIR"
  File "${FILES}/Tavoline.exe"
  File "${FILES}/ZipArchive.dll"
  File "${FILES}/LICENSE.txt"
  File "${FILES}/THIRD-PARTY-NOTICES.txt"
  File "${FILES}/USER-GUIDE.txt"
  WriteUninstaller "$INSTDIR\Uninstall.exe"
  CreateShortcut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\Tavoline.exe"

  ; "Open with" lists Tavoline for .zip files; the default stays whatever it was.
  WriteRegStr SHCTX "${CLASSES}\${PROGID}" "" "Zip archive"
  WriteRegStr SHCTX "${CLASSES}\${PROGID}\DefaultIcon" "" '"$INSTDIR\Tavoline.exe",0'
  WriteRegStr SHCTX "${CLASSES}\${PROGID}\shell\open\command" "" '"$INSTDIR\Tavoline.exe" "%1"'
  WriteRegNone SHCTX "${CLASSES}\.zip\OpenWithProgids" "${PROGID}"
  WriteRegStr SHCTX "${CLASSES}\Applications\Tavoline.exe" "FriendlyAppName" "${PRODUCT}"
  WriteRegStr SHCTX "${CLASSES}\Applications\Tavoline.exe\SupportedTypes" ".zip" ""
  WriteRegStr SHCTX "${CLASSES}\Applications\Tavoline.exe\shell\open\command" "" '"$INSTDIR\Tavoline.exe" "%1"'

  ; Right-click entries: unzip a .zip file, zip any file or folder.
  WriteRegStr SHCTX "${CLASSES}\SystemFileAssociations\.zip\shell\${UNZIP_VERB}" "MUIVerb" "Unzip with Tavoline"
  WriteRegStr SHCTX "${CLASSES}\SystemFileAssociations\.zip\shell\${UNZIP_VERB}" "Icon" '"$INSTDIR\Tavoline.exe",0'
  WriteRegStr SHCTX "${CLASSES}\SystemFileAssociations\.zip\shell\${UNZIP_VERB}\command" "" '"$INSTDIR\Tavoline.exe" "%1"'
  WriteRegStr SHCTX "${CLASSES}\*\shell\${ZIP_VERB}" "MUIVerb" "Zip with Tavoline"
  WriteRegStr SHCTX "${CLASSES}\*\shell\${ZIP_VERB}" "Icon" '"$INSTDIR\Tavoline.exe",0'
  WriteRegStr SHCTX "${CLASSES}\*\shell\${ZIP_VERB}\command" "" '"$INSTDIR\Tavoline.exe" /zip "%1"'
  WriteRegStr SHCTX "${CLASSES}\Directory\shell\${ZIP_VERB}" "MUIVerb" "Zip with Tavoline"
  WriteRegStr SHCTX "${CLASSES}\Directory\shell\${ZIP_VERB}" "Icon" '"$INSTDIR\Tavoline.exe",0'
  WriteRegStr SHCTX "${CLASSES}\Directory\shell\${ZIP_VERB}\command" "" '"$INSTDIR\Tavoline.exe" /zip "%1"'

  ; "Apps & features".
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayIcon" '"$INSTDIR\Tavoline.exe",0'
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  IntFmt $0 "0x%08X" $0
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "EstimatedSize" "$0"

  ; SHCNE_ASSOCCHANGED: Explorer reads the new entries now, not at the next logon.
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
SectionEnd

Var PerUser

Function un.onInit
  !insertmacro UseBuildRegView
  ; This copy belongs to the user's install when the user's key names its folder.
  ReadRegStr $0 HKCU "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $0 == $INSTDIR
    StrCpy $PerUser 1
    SetShellVarContext current
  ${Else}
    StrCpy $PerUser 0
    SetShellVarContext all
  ${EndIf}
FunctionEnd

; Removes a key we made, then the two keys above it, each only if nothing else is in it.
!macro RemoveKeyAndEmptyParents key parent grandparent
  DeleteRegKey SHCTX "${key}"
  DeleteRegKey /ifempty SHCTX "${parent}"
  DeleteRegKey /ifempty SHCTX "${grandparent}"
!macroend

Section Uninstall
  Delete "$INSTDIR\Tavoline.exe"
  Delete "$INSTDIR\ZipArchive.dll"
  Delete "$INSTDIR\LICENSE.txt"
  Delete "$INSTDIR\THIRD-PARTY-NOTICES.txt"
  Delete "$INSTDIR\USER-GUIDE.txt"
  Delete "$INSTDIR\Uninstall.exe"
  RMDir "$INSTDIR"
  ; The user's program folder is made by the first per-user install that needs it; when nothing
  ; else lives there any more, it goes too.
  ${If} $PerUser = 1
    RMDir "$LOCALAPPDATA\Programs"
  ${EndIf}
  Delete "$SMPROGRAMS\${PRODUCT}.lnk"

  DeleteRegKey SHCTX "${CLASSES}\${PROGID}"
  DeleteRegKey SHCTX "${CLASSES}\Applications\Tavoline.exe"
  DeleteRegKey /ifempty SHCTX "${CLASSES}\Applications"
  DeleteRegValue SHCTX "${CLASSES}\.zip\OpenWithProgids" "${PROGID}"
  DeleteRegKey /ifempty SHCTX "${CLASSES}\.zip\OpenWithProgids"
  DeleteRegKey /ifempty SHCTX "${CLASSES}\.zip"
  !insertmacro RemoveKeyAndEmptyParents "${CLASSES}\SystemFileAssociations\.zip\shell\${UNZIP_VERB}" \
    "${CLASSES}\SystemFileAssociations\.zip\shell" "${CLASSES}\SystemFileAssociations\.zip"
  DeleteRegKey /ifempty SHCTX "${CLASSES}\SystemFileAssociations"
  !insertmacro RemoveKeyAndEmptyParents "${CLASSES}\*\shell\${ZIP_VERB}" "${CLASSES}\*\shell" "${CLASSES}\*"
  !insertmacro RemoveKeyAndEmptyParents "${CLASSES}\Directory\shell\${ZIP_VERB}" \
    "${CLASSES}\Directory\shell" "${CLASSES}\Directory"
  DeleteRegKey SHCTX "${UNINSTALL_KEY}"

  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
SectionEnd
