#include <gtest/gtest.h>

#include "TestSupport.h"
#include "platform/Notify.h"
#include "platform/Settings.h"
#include "shell/AppSettings.h"

using namespace AppSettings;

TEST(AppSettingsTest, MissingValuesGiveTheirDefaults)
{
    CScopedSettingsFile settings;
    EXPECT_EQ(GetComPort(), "COM1");
    EXPECT_FALSE(GetCommandTimeout());
    EXPECT_EQ(GetControllerBoard(), "XC167");
    EXPECT_FALSE(ReadControllerBoard());
    EXPECT_EQ(GetDownloadFilename(), "");
    EXPECT_FALSE(GetVerifyAfterProgram());
    EXPECT_TRUE(GetZelWarningLogging());
    EXPECT_TRUE(GetZelErrorLogging());
    EXPECT_FALSE(GetZelFrameLogging());
    EXPECT_FALSE(GetZelDebugLogging());
    EXPECT_TRUE(GetScriptLogging());
    EXPECT_EQ(GetLastShownView(), 1u);
    EXPECT_FALSE(GetShowFixedConfigItems());
    EXPECT_FALSE(GetPrepareByZovTool());
    EXPECT_EQ(GetLoggingFlags(), kLogWarnings | kLogErrors | kLogScript);
    const StoredRect rect = GetWindowRect(StoredWindow::Main);
    EXPECT_FALSE(rect.left || rect.top || rect.right || rect.bottom);
}

TEST(AppSettingsTest, EveryWriterStoresUnderItsExactNameAndType)
{
    CScopedSettingsFile settings;
    ASSERT_TRUE(SetComPort("/dev/ttyUSB0"));
    ASSERT_TRUE(SetCommandTimeout(5000));
    ASSERT_TRUE(SetControllerBoard("XC167-2"));
    ASSERT_TRUE(SetDownloadFilename("/home/fse/fw.hex"));
    ASSERT_TRUE(SetVerifyAfterProgram(true));
    ASSERT_TRUE(SetZelWarningLogging(false));
    ASSERT_TRUE(SetZelErrorLogging(false));
    ASSERT_TRUE(SetZelFrameLogging(true));
    ASSERT_TRUE(SetZelDebugLogging(true));
    ASSERT_TRUE(SetScriptLogging(false));
    ASSERT_TRUE(SetLastShownView(4));
    ASSERT_TRUE(SetShowFixedConfigItems(true));
    ASSERT_TRUE(SetPrepareByZovTool(true));

    EXPECT_EQ(CSettingsStore::ReadString("COM port"), "/dev/ttyUSB0");
    EXPECT_EQ(CSettingsStore::ReadDword("Command Timeout"), 5000u);
    EXPECT_EQ(CSettingsStore::ReadString("Controller Board"), "XC167-2");
    EXPECT_EQ(CSettingsStore::ReadString("Download Filename"), "/home/fse/fw.hex");
    EXPECT_EQ(CSettingsStore::ReadDword("Verify After Program"), 1u);
    EXPECT_EQ(CSettingsStore::ReadDword("Zel Warning Logging"), 0u);
    EXPECT_EQ(CSettingsStore::ReadDword("Zel Error Logging"), 0u);
    EXPECT_EQ(CSettingsStore::ReadDword("Zel Frame Logging"), 1u);
    EXPECT_EQ(CSettingsStore::ReadDword("Zel Debug Logging"), 1u);
    EXPECT_EQ(CSettingsStore::ReadDword("Script Logging"), 0u);
    EXPECT_EQ(CSettingsStore::ReadDword("Last Shown View"), 4u);
    EXPECT_EQ(CSettingsStore::ReadDword("Show Fixed Config Items"), 1u);
    EXPECT_EQ(CSettingsStore::ReadDword("Prepare by ZOV tool"), 1u);
    EXPECT_EQ(GetLoggingFlags(), kLogFrames | kLogDebug);
    EXPECT_EQ(GetComPort(), "/dev/ttyUSB0");
}

TEST(AppSettingsTest, BooleansAreTrueForAnyNonZeroNumber)
{
    CScopedSettingsFile settings;
    CSettingsStore::WriteDword("Verify After Program", 2);
    CSettingsStore::WriteDword("Zel Frame Logging", 0xFFFFFFFF);
    EXPECT_TRUE(GetVerifyAfterProgram());
    EXPECT_TRUE(GetZelFrameLogging());
    // The log window treats 0xFFFFFFFF as missing and keeps the frame flag's default (off).
    EXPECT_EQ(GetLoggingFlags() & kLogFrames, 0u);
}

TEST(AppSettingsTest, WindowCoordinatesUseTheirThreeNameFamilies)
{
    CScopedSettingsFile settings;
    ASSERT_TRUE(SetWindowCoordinate(StoredWindow::Main, "Left", 10));
    ASSERT_TRUE(SetWindowCoordinate(StoredWindow::ToolLog, "Top", 20));
    ASSERT_TRUE(SetWindowCoordinate(StoredWindow::ApplicationLog, "Bottom", -5));
    EXPECT_EQ(CSettingsStore::ReadDword("Window Left"), 10u);
    EXPECT_EQ(CSettingsStore::ReadDword("Log Window Top"), 20u);
    EXPECT_EQ(CSettingsStore::ReadDword("ZelApp Log Window Bottom"), 0xFFFFFFFBu);
    EXPECT_EQ(GetWindowRect(StoredWindow::ApplicationLog).bottom, -5);
    EXPECT_EQ(GetWindowRect(StoredWindow::Main).left, 10);
    EXPECT_FALSE(GetWindowRect(StoredWindow::Main).top);
}

TEST(AppSettingsTest, PortForTheRunHidesTheSavedPortWithoutChangingIt)
{
    CScopedSettingsFile settings;
    SetComPort("COM3");
    SetComPortForRun("/dev/pts/7");
    EXPECT_EQ(GetComPort(), "/dev/pts/7");
    EXPECT_EQ(GetSavedComPort(), "COM3");
    EXPECT_EQ(CSettingsStore::ReadString("COM port"), "COM3");
    SetComPortForRun("");
    EXPECT_EQ(GetComPort(), "COM3");
}
