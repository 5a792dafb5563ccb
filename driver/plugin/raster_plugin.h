// The driver's plug-in surface: class factory, printer definition, the two
// containers and the capabilities loader, as the host binds them.
#pragma once

#include "ht_definition.h"
#include "ht_factory.h"

#define RASTER_EXPORT __attribute__((visibility("default")))

class RASTER_EXPORT HT_RASTER_Plotter_Class_Factory : public HT_Std_Plotter_Class_Factory {
public:
    HT_RASTER_Plotter_Class_Factory();
    ~HT_RASTER_Plotter_Class_Factory() override;

    HT_Caps_Loader*
    HD_Create_Caps_Loader(HT_Smart_Pointer<HT_Error_Handler> handler) const override;
    HT_Plotter_Capabilities* HD_Create_Plotter_Capabilities(const char* a, const char* b,
                                                            const char* c) const override;
    HT_Plotter_Configuration* HD_Create_Plotter_Configuration(const char* a, const char* b,
                                                              const char* c) const override;
    HT_Plotter_Definition*
    HD_Create_Plotter_Definition(HT_Smart_Pointer<HT_Error_Handler> handler) const override;
};

class RASTER_EXPORT HT_RASTER_Plotter_Capabilities : public HT_Std_Plotter_Capabilities {
public:
    HT_RASTER_Plotter_Capabilities();
    ~HT_RASTER_Plotter_Capabilities() override;
};

class RASTER_EXPORT HT_RASTER_Plotter_Configuration : public HT_Std_Plotter_Configuration {
public:
    HT_RASTER_Plotter_Configuration();
    ~HT_RASTER_Plotter_Configuration() override;
};

class RASTER_EXPORT HT_RASTER_Plotter_Definition : public HT_Std_Plotter_Definition {
public:
    explicit HT_RASTER_Plotter_Definition(HT_Smart_Pointer<HT_Error_Handler> handler);
    ~HT_RASTER_Plotter_Definition() override;

    bool Custom_Config_UI_Available() override;
    bool CustomConfigure(void* parent_window) override;
    bool get_driver_hints_helpfile(HT_String& help_file, HT_String& title) override;
    bool get_true_device_colors(HT_Smart_Pointer<HT_Palette> palette) const override;

private:
    void initMetaCaps();

    HT_RASTER_Plotter_Class_Factory* m_cf = nullptr;
};

class RASTER_EXPORT RASTER_DRC_Caps_Loader : public PM_DRC_Caps_Loader {
public:
    RASTER_DRC_Caps_Loader();
    explicit RASTER_DRC_Caps_Loader(HT_Smart_Pointer<HT_Error_Handler> handler);
    ~RASTER_DRC_Caps_Loader() override;
    bool Load(HT_Smart_Pointer<HT_Plotter_Definition> definition, Load_Policy policy) override;
};

extern "C" {
// How the host finds the factory: constructs one on the host's allocator.
RASTER_EXPORT HT_Plotter_Class_Factory* HD_Create_Class_Factory();
}
