// The serial-port property in an INI section.
#include "qlcos/config.h"

#include "support/files.h"

#include <cstring>

using qlcos::test::ReadFile;
using qlcos::test::TempFolder;
using qlcos::test::WriteFile;

TEST(PortPropertyIni, WrittenWordsReadBack)
{
    TempFolder folder;
    const ZanString path = folder.WideFile("p.ini");
    const tagZANSerialPortProperty written{2, -1, 9600, 8, 0, -2147483647 - 1};
    EXPECT_NE(zanSetSerialPortPropertyToINI(path.c_str(), ZT("DensityControl"), &written), 0);
    EXPECT_EQ(ReadFile(folder.File("p.ini")),
              "[DensityControl]\nPort=2\nSecond=-1\nBaudRate=9600\nDataBits=8\nReserved1=0\n"
              "Reserved2=-2147483648\n");
    tagZANSerialPortProperty read{};
    EXPECT_NE(zanGetSerialPortPropertyFromINI(path.c_str(), ZT("densitycontrol"), &read), 0);
    EXPECT_EQ(std::memcmp(&read, &written, sizeof read), 0);
    EXPECT_EQ(zanSetSerialPortPropertyToINI(folder.WideFile("x/p.ini").c_str(), ZT("S"), &written),
              0);
    EXPECT_EQ(zanSetSerialPortPropertyToINI(path.c_str(), ZT("S"), nullptr), 0);
}

TEST(PortPropertyIni, ASectionWithoutAllSixWholeNumbersIsNotReadable)
{
    TempFolder folder;
    WriteFile(
        folder.File("p.ini"),
        "[Missing]\nPort=1\nSecond=-1\nBaudRate=9600\nDataBits=8\nReserved1=0\n"
        "[Garbage]\nPort=1\nSecond=-1\nBaudRate=9600 baud\nDataBits=8\nReserved1=0\nReserved2=0\n"
        "[Range]\nPort=1\nSecond=4294967295\nBaudRate=9600\nDataBits=8\nReserved1=0\nReserved2=0\n"
        "[Good]\nPORT = 3 \nsecond=-1\nbaudrate=4800\ndatabits=7\nreserved1=1\nreserved2=2\n");
    const ZanString path = folder.WideFile("p.ini");
    for (const ZanWChar* section : {ZT("Missing"), ZT("Garbage"), ZT("Range"), ZT("Nowhere")}) {
        tagZANSerialPortProperty p{7, 7, 7, 7, 7, 7};
        EXPECT_EQ(zanGetSerialPortPropertyFromINI(path.c_str(), section, &p), 0);
        EXPECT_EQ(p.Port, 7);
        EXPECT_EQ(p.BaudRate, 7);
    }
    tagZANSerialPortProperty p{};
    EXPECT_NE(zanGetSerialPortPropertyFromINI(path.c_str(), ZT("Good"), &p), 0);
    const tagZANSerialPortProperty expected{3, -1, 4800, 7, 1, 2};
    EXPECT_EQ(std::memcmp(&p, &expected, sizeof p), 0);
    EXPECT_EQ(zanGetSerialPortPropertyFromINI(nullptr, ZT("Good"), &p), 0);
}
