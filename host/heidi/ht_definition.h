// The plotter definition, the class factory and the capabilities loaders.
#pragma once

#include "ht_plotter.h"

class HT_Palette;
class HT_Plotter_Class_Factory;
class HT_Plotter_IO;
class PM_Object;

class HT_EXPORT HT_Plotter_Definition : public HT_Object {
public:
    ~HT_Plotter_Definition() override;
    virtual HT_Smart_Pointer<HT_Meta_Capabilities> get_meta_capabilities() const = 0;
    virtual HT_Smart_Pointer<HT_Plotter_Capabilities> get_plotter_capabilities() const = 0;
    virtual HT_Smart_Pointer<HT_Plotter_Capabilities> get_bidi_capabilities() const = 0;
    virtual HT_Smart_Pointer<HT_Plotter_Configuration> get_plotter_configuration() const = 0;
    virtual HT_Smart_Pointer<HT_Plotter_Configuration> get_bidi_configuration() const = 0;
    virtual HT_Smart_Pointer<HT_Plotter_Validator> get_plotter_validator() const = 0;
    virtual HT_Smart_Pointer<HT_Plotter_Class_Factory> get_class_factory() const = 0;
    virtual HT_Smart_Pointer<HT_Shoebox> get_shoebox() const = 0;
    virtual HT_Smart_Pointer<HT_Error_Handler> get_error_handler() const = 0;
    virtual void set_meta_capabilities(HT_Smart_Pointer<HT_Meta_Capabilities>) = 0;
    virtual void set_plotter_capabilities(HT_Smart_Pointer<HT_Plotter_Capabilities>) = 0;
    virtual void set_plotter_configuration(HT_Smart_Pointer<HT_Plotter_Configuration>) = 0;
    virtual void set_shoebox(HT_Smart_Pointer<HT_Shoebox>) = 0;
    virtual bool DevmodeConfigure(void* parent_window) = 0;
    virtual bool Custom_Config_UI_Available() = 0;
    virtual bool CustomConfigure(void* parent_window) = 0;
    virtual bool Longplot_UI_Available() = 0;
    virtual bool LongplotUI(void* parent_window) = 0;
    virtual bool get_driver_hints_helpfile(HT_String& help_file, HT_String& title) = 0;
    virtual bool get_true_device_colors(HT_Smart_Pointer<HT_Palette> palette) const = 0;
};

class HT_EXPORT HT_Std_Plotter_Definition : public HT_Plotter_Definition {
public:
    explicit HT_Std_Plotter_Definition(HT_Smart_Pointer<HT_Error_Handler> handler = {});
    ~HT_Std_Plotter_Definition() override;
    HT_Smart_Pointer<HT_Meta_Capabilities> get_meta_capabilities() const override;
    HT_Smart_Pointer<HT_Plotter_Capabilities> get_plotter_capabilities() const override;
    HT_Smart_Pointer<HT_Plotter_Capabilities> get_bidi_capabilities() const override;
    HT_Smart_Pointer<HT_Plotter_Configuration> get_plotter_configuration() const override;
    HT_Smart_Pointer<HT_Plotter_Configuration> get_bidi_configuration() const override;
    HT_Smart_Pointer<HT_Plotter_Validator> get_plotter_validator() const override;
    HT_Smart_Pointer<HT_Plotter_Class_Factory> get_class_factory() const override;
    HT_Smart_Pointer<HT_Shoebox> get_shoebox() const override;
    HT_Smart_Pointer<HT_Error_Handler> get_error_handler() const override;
    void set_meta_capabilities(HT_Smart_Pointer<HT_Meta_Capabilities>) override;
    void set_plotter_capabilities(HT_Smart_Pointer<HT_Plotter_Capabilities>) override;
    void set_plotter_configuration(HT_Smart_Pointer<HT_Plotter_Configuration>) override;
    void set_shoebox(HT_Smart_Pointer<HT_Shoebox>) override;
    bool DevmodeConfigure(void* parent_window) override;
    bool Custom_Config_UI_Available() override;
    bool CustomConfigure(void* parent_window) override;
    bool Longplot_UI_Available() override;
    bool LongplotUI(void* parent_window) override;
    bool get_driver_hints_helpfile(HT_String& help_file, HT_String& title) override;
    bool get_true_device_colors(HT_Smart_Pointer<HT_Palette> palette) const override;

protected:
    // A derived definition hands out its own factory.
    void set_class_factory(HT_Smart_Pointer<HT_Plotter_Class_Factory> factory);

    HT_Smart_Pointer<HT_Error_Handler> m_error_handler;

private:
    HT_Smart_Pointer<HT_Plotter_Class_Factory> m_class_factory;
    HT_Smart_Pointer<HT_Meta_Capabilities> m_meta;
    HT_Smart_Pointer<HT_Plotter_Capabilities> m_caps;
    HT_Smart_Pointer<HT_Plotter_Configuration> m_config;
    HT_Smart_Pointer<HT_Shoebox> m_shoebox;
};

class HT_EXPORT HT_Caps_Loader : public HT_Object {
public:
    enum Load_Policy { Load_All = 0, Load_Missing_Only = 1 };
    ~HT_Caps_Loader() override;
    virtual bool Load(HT_Smart_Pointer<HT_Plotter_Definition> definition, Load_Policy policy) = 0;
};

// The host's standard loader: fills media, media types, resolution-colour-memory
// entries and custom capabilities from the DRC file beside the driver.
class HT_EXPORT PM_DRC_Caps_Loader : public HT_Caps_Loader {
public:
    PM_DRC_Caps_Loader();
    explicit PM_DRC_Caps_Loader(HT_Smart_Pointer<HT_Error_Handler> handler);
    ~PM_DRC_Caps_Loader() override;
    // False when the definition has no driver path, or its capabilities are
    // missing; a DRC that cannot be read throws the reader's HT_Error.
    bool Load(HT_Smart_Pointer<HT_Plotter_Definition> definition, Load_Policy policy) override;

protected:
    HT_Smart_Pointer<HT_Error_Handler> m_error_handler;
};

// The DRC path of a driver: the library's path with its extension replaced by ".DRC".
HT_EXPORT std::string ht_drc_path(const std::string& driver_path);
