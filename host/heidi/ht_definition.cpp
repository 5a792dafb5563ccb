#include "ht_definition.h"

#include "ht_factory.h"

HT_Plotter_Definition::~HT_Plotter_Definition() = default;

HT_Std_Plotter_Definition::HT_Std_Plotter_Definition(HT_Smart_Pointer<HT_Error_Handler> handler)
    : m_error_handler(std::move(handler)) {}

HT_Std_Plotter_Definition::~HT_Std_Plotter_Definition() = default;

HT_Smart_Pointer<HT_Meta_Capabilities> HT_Std_Plotter_Definition::get_meta_capabilities() const {
    return m_meta;
}
HT_Smart_Pointer<HT_Plotter_Capabilities>
HT_Std_Plotter_Definition::get_plotter_capabilities() const {
    return m_caps;
}
HT_Smart_Pointer<HT_Plotter_Capabilities> HT_Std_Plotter_Definition::get_bidi_capabilities() const {
    return {};
}
HT_Smart_Pointer<HT_Plotter_Configuration>
HT_Std_Plotter_Definition::get_plotter_configuration() const {
    return m_config;
}
HT_Smart_Pointer<HT_Plotter_Configuration>
HT_Std_Plotter_Definition::get_bidi_configuration() const {
    return {};
}
HT_Smart_Pointer<HT_Plotter_Validator> HT_Std_Plotter_Definition::get_plotter_validator() const {
    return {};
}
HT_Smart_Pointer<HT_Plotter_Class_Factory> HT_Std_Plotter_Definition::get_class_factory() const {
    if (m_class_factory)
        return m_class_factory;
    return HT_Smart_Pointer<HT_Plotter_Class_Factory>(new HT_Std_Plotter_Class_Factory);
}
HT_Smart_Pointer<HT_Shoebox> HT_Std_Plotter_Definition::get_shoebox() const {
    return m_shoebox;
}
HT_Smart_Pointer<HT_Error_Handler> HT_Std_Plotter_Definition::get_error_handler() const {
    return m_error_handler;
}
void HT_Std_Plotter_Definition::set_meta_capabilities(HT_Smart_Pointer<HT_Meta_Capabilities> m) {
    m_meta = std::move(m);
}
void HT_Std_Plotter_Definition::set_plotter_capabilities(
    HT_Smart_Pointer<HT_Plotter_Capabilities> c) {
    m_caps = std::move(c);
}
void HT_Std_Plotter_Definition::set_plotter_configuration(
    HT_Smart_Pointer<HT_Plotter_Configuration> c) {
    m_config = std::move(c);
}
void HT_Std_Plotter_Definition::set_shoebox(HT_Smart_Pointer<HT_Shoebox> s) {
    m_shoebox = std::move(s);
}
void HT_Std_Plotter_Definition::set_class_factory(
    HT_Smart_Pointer<HT_Plotter_Class_Factory> factory) {
    m_class_factory = std::move(factory);
}
bool HT_Std_Plotter_Definition::DevmodeConfigure(void*) {
    return false;
}
bool HT_Std_Plotter_Definition::Custom_Config_UI_Available() {
    return false;
}
bool HT_Std_Plotter_Definition::CustomConfigure(void*) {
    return false;
}
bool HT_Std_Plotter_Definition::Longplot_UI_Available() {
    return false;
}
bool HT_Std_Plotter_Definition::LongplotUI(void*) {
    return false;
}
bool HT_Std_Plotter_Definition::get_driver_hints_helpfile(HT_String&, HT_String&) {
    return false;
}
bool HT_Std_Plotter_Definition::get_true_device_colors(HT_Smart_Pointer<HT_Palette>) const {
    return false;
}
