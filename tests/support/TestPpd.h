#pragma once
// A PostScript printer description small enough for Wine's printer driver:
// the data file of the test printer drivers the spooler tests install.

inline constexpr char kTestPpd[] =
    "*PPD-Adobe: \"4.3\"\n*FormatVersion: \"4.3\"\n*FileVersion: \"1.0\"\n*LanguageVersion: English\n"
    "*LanguageEncoding: ISOLatin1\n*PCFileName: \"VXR500.PPD\"\n*Manufacturer: \"ORVIK\"\n*Product: \"(VX-R500)\"\n"
    "*ModelName: \"VX-R500\"\n*ShortNickName: \"VX-R500\"\n*NickName: \"VX-R500\"\n*PSVersion: \"(3010) 0\"\n"
    "*LanguageLevel: \"3\"\n*ColorDevice: False\n*DefaultColorSpace: Gray\n*FileSystem: False\n*Throughput: \"1\"\n"
    "*LandscapeOrientation: Plus90\n*TTRasterizer: Type42\n*DefaultPageSize: Roll\n"
    "*PageSize Roll/Roll: \"<</PageSize[204 800]/ImagingBBox null>>setpagedevice\"\n*DefaultPageRegion: Roll\n"
    "*PageRegion Roll/Roll: \"<</PageSize[204 800]/ImagingBBox null>>setpagedevice\"\n"
    "*DefaultImageableArea: Roll\n*ImageableArea Roll/Roll: \"0 0 204 800\"\n*DefaultPaperDimension: Roll\n"
    "*PaperDimension Roll/Roll: \"204 800\"\n*DefaultResolution: 203dpi\n";
