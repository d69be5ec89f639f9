// The setupapi device installer subset the product uses, simulated by platform/ in the native
// build. Functions return TRUE or FALSE, or a handle that is INVALID_HANDLE_VALUE on failure;
// the reason of a failure is read with GetLastError.
#pragma once

#include "windef.h"
#include "winreg.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef PVOID HDEVINFO;
typedef PVOID HINF;
typedef UINT DI_FUNCTION;

#define LINE_LEN 256
#define MAX_DEVICE_ID_LEN 200

typedef struct _SP_DEVINFO_DATA {
  DWORD cbSize;
  GUID ClassGuid;
  DWORD DevInst;
  ULONG_PTR Reserved;
} SP_DEVINFO_DATA, *PSP_DEVINFO_DATA;

typedef struct _SP_DRVINFO_DATA_V1_W {
  DWORD cbSize;
  DWORD DriverType;
  ULONG_PTR Reserved;
  WCHAR Description[LINE_LEN];
  WCHAR MfgName[LINE_LEN];
  WCHAR ProviderName[LINE_LEN];
} SP_DRVINFO_DATA_V1_W, *PSP_DRVINFO_DATA_V1_W;
typedef SP_DRVINFO_DATA_V1_W SP_DRVINFO_DATA_W;
typedef PSP_DRVINFO_DATA_V1_W PSP_DRVINFO_DATA_W;

typedef DWORD (*PSP_DETSIG_CMPPROC)(HDEVINFO, PSP_DEVINFO_DATA, PSP_DEVINFO_DATA, PVOID);

// Driver list types.
#define SPDIT_NODRIVER 0x00000000
#define SPDIT_CLASSDRIVER 0x00000001
#define SPDIT_COMPATDRIVER 0x00000002

// SetupDiCreateDeviceInfo flags.
#define DICD_GENERATE_ID 0x00000001
#define DICD_INHERIT_CLASSDRVS 0x00000002

// SetupDiRegisterDeviceInfo flags.
#define SPRDI_FIND_DUPS 0x00000001

// SetupDiGetClassDevs flags.
#define DIGCF_DEFAULT 0x00000001
#define DIGCF_PRESENT 0x00000002
#define DIGCF_ALLCLASSES 0x00000004
#define DIGCF_PROFILE 0x00000008
#define DIGCF_DEVICEINTERFACE 0x00000010

// Device registry keys.
#define DICS_FLAG_GLOBAL 0x00000001
#define DICS_FLAG_CONFIGSPECIFIC 0x00000002
#define DIREG_DEV 0x00000001
#define DIREG_DRV 0x00000002
#define DIREG_BOTH 0x00000004

// Installation functions.
#define DIF_SELECTDEVICE 0x00000001
#define DIF_INSTALLDEVICE 0x00000002
#define DIF_REMOVE 0x00000005
#define DIF_REGISTERDEVICE 0x00000019

// Errors of the device installer.
#define APPLICATION_ERROR_MASK 0x20000000
#define ERROR_SEVERITY_ERROR 0xC0000000
#define ERROR_NO_ASSOCIATED_CLASS 0xE0000200L
#define ERROR_CLASS_MISMATCH 0xE0000201L
#define ERROR_DUPLICATE_FOUND 0xE0000202L
#define ERROR_NO_DRIVER_SELECTED 0xE0000203L
#define ERROR_KEY_DOES_NOT_EXIST 0xE0000204L
#define ERROR_INVALID_DEVINST_NAME 0xE0000205L
#define ERROR_INVALID_CLASS 0xE0000206L
#define ERROR_DEVINST_ALREADY_EXISTS 0xE0000207L
#define ERROR_DEVINFO_NOT_REGISTERED 0xE0000208L
#define ERROR_INVALID_REG_PROPERTY 0xE0000209L
#define ERROR_NO_INF 0xE000020AL
#define ERROR_NO_SUCH_DEVINST 0xE000020BL
#define ERROR_INVALID_HWPROFILE 0xE0000210L
#define ERROR_NO_DEVICE_SELECTED 0xE0000211L
#define ERROR_DI_DO_DEFAULT 0xE000020EL
// Errors of the INF reader.
#define ERROR_BAD_SECTION_NAME_LINE 0xE0000001L
#define ERROR_SECTION_NAME_TOO_LONG 0xE0000002L
#define ERROR_GENERAL_SYNTAX 0xE0000003L
#define ERROR_SECTION_NOT_FOUND 0xE0000101L
#define ERROR_LINE_NOT_FOUND 0xE0000102L

HDEVINFO WINAPI SetupDiCreateDeviceInfoList(const GUID* classGuid, HWND parent);
BOOL WINAPI SetupDiDestroyDeviceInfoList(HDEVINFO set);
HDEVINFO WINAPI SetupDiGetClassDevsW(const GUID* classGuid, PCWSTR enumerator, HWND parent,
                                     DWORD flags);
BOOL WINAPI SetupDiEnumDeviceInfo(HDEVINFO set, DWORD index, PSP_DEVINFO_DATA device);
BOOL WINAPI SetupDiCreateDeviceInfoW(HDEVINFO set, PCWSTR deviceName, const GUID* classGuid,
                                     PCWSTR description, HWND parent, DWORD flags,
                                     PSP_DEVINFO_DATA device);
BOOL WINAPI SetupDiRegisterDeviceInfo(HDEVINFO set, PSP_DEVINFO_DATA device, DWORD flags,
                                      PSP_DETSIG_CMPPROC compare, PVOID context,
                                      PSP_DEVINFO_DATA duplicate);
BOOL WINAPI SetupDiGetDeviceInstanceIdW(HDEVINFO set, PSP_DEVINFO_DATA device, PWSTR id,
                                        DWORD idSize, PDWORD requiredSize);
BOOL WINAPI SetupDiBuildDriverInfoList(HDEVINFO set, PSP_DEVINFO_DATA device, DWORD driverType);
BOOL WINAPI SetupDiEnumDriverInfoW(HDEVINFO set, PSP_DEVINFO_DATA device, DWORD driverType,
                                   DWORD index, PSP_DRVINFO_DATA_W driver);
BOOL WINAPI SetupDiSetSelectedDriverW(HDEVINFO set, PSP_DEVINFO_DATA device,
                                      PSP_DRVINFO_DATA_W driver);
BOOL WINAPI SetupDiCallClassInstaller(DI_FUNCTION function, HDEVINFO set, PSP_DEVINFO_DATA device);
HKEY WINAPI SetupDiOpenDevRegKey(HDEVINFO set, PSP_DEVINFO_DATA device, DWORD scope,
                                 DWORD hardwareProfile, DWORD keyType, REGSAM access);
HKEY WINAPI SetupDiCreateDevRegKeyW(HDEVINFO set, PSP_DEVINFO_DATA device, DWORD scope,
                                    DWORD hardwareProfile, DWORD keyType, HINF inf,
                                    PCWSTR installSection);
BOOL WINAPI SetupDiRemoveDevice(HDEVINFO set, PSP_DEVINFO_DATA device);

#ifdef __cplusplus
}
#endif
