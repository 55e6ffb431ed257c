#pragma once

// Every frame the program sends to a device and every reply it expects: no other file spells a
// command. Each command function returns the whole frame, the text and its one line feed, ready
// for SubCom::SendCommand. Replies are compared whole and case-sensitive.

#include <QString>
#include <cstdint>

namespace DeviceCommands {

QString Identify();     // "id"
QString RunLevel();     // "runlevel"
QString ResetToBoot();  // "reset " with its trailing space: the device answers a line
QString FirmwareKey();  // "firmkey"
QString Monitor();      // "monitor"
QString LedOff();       // "led off"
QString LedOn();        // "led on"
QString Reset();        // "reset": the identify blink's last command, no reply read

QString IdentityReply();  // "id µTarvellon"
QString AppRunLevel();    // "runlevel app"
QString BootRunLevel();   // "runlevel boot"
// "firmkey " followed by the image's key.
QString ExpectedKeyReply(const QString& imageKey);
// The device's key reply after the alias rewrite: keys 1 to 5 count as key 0.
QString AcceptedKeyReply(const QString& deviceReply);

inline constexpr std::uint8_t MonitorReady = 77;  // 'M'
inline constexpr std::uint8_t RecordAccepted = 0;
inline constexpr std::uint8_t ProgrammingComplete = 254;
inline constexpr int RecordSize = 13;
inline constexpr int KeySize = 8;

}  // namespace DeviceCommands
