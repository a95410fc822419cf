/* The one table of QEVGFX_API command codes, shared by the library and the
 * simulated driver. Each row: group, function, number of input words, number
 * of output words, name of the library helper that sends it.
 * Accepted by C and C++ compilers (X-macro tables). */
#ifndef QEV_COMMANDS_H
#define QEV_COMMANDS_H

#define QEV_COMMAND_TABLE(X)                               \
    X(17, 1, 0, 1, GetChipID)                              \
    X(17, 2, 0, 2, GetBIOSVersion)                         \
    X(17, 3, 0, 3, GetBIOSDate)                            \
    X(17, 4, 0, 1, GetVideoMemSizeMB)                      \
    X(17, 5, 0, 1, GetTVChipID)                            \
    X(18, 1, 1, 8, GetDriverName)                          \
    X(18, 2, 1, 4, GetDriverVersion)                       \
    X(18, 3, 0, 0, QEVSync)                                \
    X(18, 4, 0, 32, GetDriverFunctionCaps)                 \
    X(19, 1, 0, 1, GetDeviceSupportState)                  \
    X(19, 2, 0, 1, GetDeviceConnectState)                  \
    X(19, 3, 0, 1, GetDeviceActiveState)                   \
    X(19, 4, 1, 0, SetDeviceActiveState)                   \
    X(19, 5, 0, 1, GetDeviceSAMMState)                     \
    X(19, 8, 0, 1, GetDeviceSupportSAMMState)              \
    X(19, 9, 1, 0, SetDeviceV3OnIGAState)                  \
    X(19, 10, 0, 1, GetDeviceV3OnIGAState)                 \
    X(19, 11, 0, 1, GetDeviceGemelState)                   \
    X(19, 12, 0, 1, GetDevicePanningState)                 \
    X(19, 13, 0, 1, GetPrimaryDevice)                      \
    X(20, 2, 1, 5, GetPanelInfo)                           \
    X(20, 3, 0, 1, GetPanelExpandState)                    \
    X(20, 4, 5, 0, SetPanelExpandState)                    \
    X(20, 5, 0, 1, GetPanelSupportExpandState)             \
    X(20, 6, 1, 2, GetPanelMaxViewSizeValue)               \
    X(20, 7, 1, 2, GetPanelViewSizeValue)                  \
    X(20, 8, 3, 0, SetPanelViewSizeValue)                  \
    X(20, 9, 1, 2, GetPanelMaxViewPositionValue)           \
    X(20, 10, 1, 2, GetPanelViewPositionValue)             \
    X(20, 11, 3, 0, SetPanelViewPositionValue)             \
    X(22, 1, 0, 1, GetGammaDeviceSupportState)             \
    X(22, 2, 0, 256, GetGammaLookUpTable)                  \
    X(22, 3, 256, 0, SetGammaLookUpTable)                  \
    X(24, 1, 1, 14, EnumDisplayModes)                      \
    X(24, 2, 0, 5, GetCurrentMode)                         \
    X(24, 3, 1, 1, GetRotationCaps)                        \
    X(24, 4, 0, 2, GetRotationInfo)                        \
    X(24, 5, 2, 0, SetRotationInfo)

/* TV encoder functions; their group depends on the TV output addressed. */
#define QEV_TV_COMMAND_TABLE(X)                            \
    X(1, 0, 1, GetTVSupportStandardState)                  \
    X(2, 0, 1, GetTVStandard)                              \
    X(3, 1, 0, SetTVStandard)                              \
    X(4, 0, 1, GetTVSupportSignalTypeState)                \
    X(5, 0, 1, GetTVSignalType)                            \
    X(6, 1, 0, SetTVSignalType)                            \
    X(7, 0, 2, GetTVMaxViewSizeValue)                      \
    X(8, 0, 2, GetTVViewSizeValue)                         \
    X(9, 2, 0, SetTVViewSizeValue)                         \
    X(10, 0, 2, GetTVMaxViewPositionValue)                 \
    X(11, 0, 2, GetTVViewPositionValue)                    \
    X(12, 2, 0, SetTVViewPositionValue)                    \
    X(13, 0, 1, GetTVSupportTuningState)                   \
    X(14, 1, 1, GetTVTuningItemMaxValue)                   \
    X(15, 1, 1, GetTVTuningItemValue)                      \
    X(16, 2, 0, SetTVTuningItemValue)                      \
    X(17, 0, 1, GetTVSupportSettingState)                  \
    X(18, 1, 1, GetTVSettingItemState)                     \
    X(19, 2, 0, SetTVSettingItemState)

/* TV groups: TV (and any other output), HDTV, second TV, second HDTV. */
#define QEV_TV_GROUP_TV 21
#define QEV_TV_GROUP_HDTV 23
#define QEV_TV_GROUP_TV2 25
#define QEV_TV_GROUP_HDTV2 26
#define QEV_TV_GROUP_LIST(X) X(QEV_TV_GROUP_TV) X(QEV_TV_GROUP_HDTV) X(QEV_TV_GROUP_TV2) X(QEV_TV_GROUP_HDTV2)

/* Named codes: QEV_CMD_<helper>_GROUP / _FN / _IN / _OUT for the fixed-group
 * commands, QEV_TVFN_<helper> / _IN / _OUT for the TV functions. */
#define QEV_CMD_ENUM_(g, f, i, o, name) \
    QEV_CMD_##name##_GROUP = g, QEV_CMD_##name##_FN = f, QEV_CMD_##name##_IN = i, QEV_CMD_##name##_OUT = o,
enum { QEV_COMMAND_TABLE(QEV_CMD_ENUM_) QEV_CMD_ENUM_END_ };
#undef QEV_CMD_ENUM_
#define QEV_TVFN_ENUM_(f, i, o, name) QEV_TVFN_##name = f, QEV_TVFN_##name##_IN = i, QEV_TVFN_##name##_OUT = o,
enum { QEV_TV_COMMAND_TABLE(QEV_TVFN_ENUM_) QEV_TVFN_ENUM_END_ };
#undef QEV_TVFN_ENUM_

#endif /* QEV_COMMANDS_H */
