// The host's standard plotter objects: capabilities and configuration
// sub-objects, meta capabilities, shoeboxes and the two containers.
#pragma once

#include "ht_color_system.h"
#include "ht_custom.h"
#include "ht_error.h"
#include "ht_list.h"
#include "ht_plotter_io.h"
#include "ht_string.h"

#include <cstdint>
#include <utility>
#include <vector>

// ---- media -----------------------------------------------------------------

// Rectangle in millimetres: x minimum, x maximum, y minimum, y maximum.
struct HT_Media_Bounds {
    float x_min = 0, x_max = 0, y_min = 0, y_max = 0;
    bool operator==(const HT_Media_Bounds&) const = default;
};

class HT_EXPORT HT_Media_Size : public HT_Object {
public:
    HT_Media_Size* clone() const { return new HT_Media_Size(*this); }
    HT_String name;
    HT_Media_Bounds bounds;    // the paper
    HT_Media_Bounds printable; // the printable area, in paper coordinates
    int units = 1;             // 1: millimetres
};
HT_DECLARE_LIST(HT_Media_Size_List, HT_Media_Size);

class HT_EXPORT HT_Media_Source : public HT_Object {
public:
    HT_Media_Source();
    HT_Media_Source(const HT_Media_Source& o);
    HT_Media_Source* clone() const { return new HT_Media_Source(*this); }
    HT_Smart_Pointer<HT_Media_Size> find_size(const char* name) const;

    HT_String name;
    HT_String description;
    HT_Smart_Pointer<HT_Media_Size_List> sizes;
};
HT_DECLARE_LIST(HT_Media_Source_List, HT_Media_Source);

class HT_EXPORT HT_Media_Type : public HT_Object {
public:
    HT_Media_Type* clone() const { return new HT_Media_Type(*this); }
    HT_String name;
};
HT_DECLARE_LIST(HT_Media_Type_List, HT_Media_Type);

HT_DECLARE_SIMPLE(HT_Media_Description);
HT_DECLARE_LIST(HT_Media_Description_List, HT_Media_Description);
HT_DECLARE_SIMPLE(HT_Media_Destination);
HT_DECLARE_LIST(HT_Media_Destination_List, HT_Media_Destination);
HT_DECLARE_SIMPLE(HT_Media_Collating);
HT_DECLARE_LIST(HT_Media_Collating_List, HT_Media_Collating);
HT_DECLARE_SIMPLE(HT_Media_Stapling);
HT_DECLARE_LIST(HT_Media_Stapling_List, HT_Media_Stapling);
HT_DECLARE_SIMPLE(HT_Media_Cutting);
HT_DECLARE_LIST(HT_Media_Cutting_List, HT_Media_Cutting);
HT_DECLARE_SIMPLE(HT_Media_Folding);
HT_DECLARE_LIST(HT_Media_Folding_List, HT_Media_Folding);
HT_DECLARE_SIMPLE(HT_Media_Size_In_Source);
HT_DECLARE_SIMPLE(HT_Media_Size_Name_List);
HT_DECLARE_SIMPLE(HT_Media_Source_Entry);
HT_DECLARE_LIST(HT_Media_Source_Entry_List, HT_Media_Source_Entry);
HT_DECLARE_SIMPLE(HT_Media_Validator);

// Finishing of the printed media; the roll finishing option lives here.
class HT_EXPORT HT_Media_Settings : public HT_Object {
public:
    HT_Media_Settings* clone() const { return new HT_Media_Settings(*this); }
    int get_finishing() const { return m_finishing; }
    void set_finishing(int v) { m_finishing = v; }

private:
    int m_finishing = 0;
};

class HT_EXPORT HT_Media_Capabilities : public HT_Object {
public:
    HT_Media_Capabilities();
    HT_Media_Capabilities(const HT_Media_Capabilities& o);
    HT_Media_Capabilities* clone() const { return new HT_Media_Capabilities(*this); }
    HT_Smart_Pointer<HT_Media_Source> find_source(const char* name) const;

    HT_Smart_Pointer<HT_Media_Source_List> sources;
    HT_Smart_Pointer<HT_Media_Type_List> media_types;
};

class HT_EXPORT HT_Media_Configuration : public HT_Object {
public:
    HT_Media_Configuration();
    HT_Media_Configuration(const HT_Media_Configuration& o);
    HT_Media_Configuration* clone() const { return new HT_Media_Configuration(*this); }

    const HT_String& get_source_name() const { return m_source; }
    void set_source_name(const char* s) { m_source = s; }
    const HT_String& get_size_name() const { return m_size; }
    void set_size_name(const char* s) { m_size = s; }
    const HT_Media_Bounds& get_bounds() const { return m_bounds; }
    void set_bounds(const HT_Media_Bounds& b) { m_bounds = b; }
    const HT_Media_Bounds& get_printable() const { return m_printable; }
    void set_printable(const HT_Media_Bounds& b) { m_printable = b; }
    int get_copies() const { return m_copies; }
    void set_copies(int n) { m_copies = n; }
    const HT_String& get_media_type() const { return m_media_type; }
    void set_media_type(const char* s) { m_media_type = s; }
    HT_Smart_Pointer<HT_Media_Settings> get_media_settings() const { return m_settings; }
    void set_media_settings(HT_Media_Settings* s) { m_settings = s; }

private:
    HT_String m_source;
    HT_String m_size;
    HT_String m_media_type;
    HT_Media_Bounds m_bounds;
    HT_Media_Bounds m_printable;
    int m_copies = 1;
    HT_Smart_Pointer<HT_Media_Settings> m_settings;
};

// ---- input and output ------------------------------------------------------

class HT_EXPORT HT_Plotter_IO_Capabilities : public HT_Object {
public:
    HT_Plotter_IO_Capabilities* clone() const { return new HT_Plotter_IO_Capabilities(*this); }
    // The host's meaning of these pairs is its own; they are kept in call order.
    void add_pair(int a, int b) { m_pairs.emplace_back(a, b); }
    const std::vector<std::pair<int, int>>& pairs() const { return m_pairs; }

private:
    std::vector<std::pair<int, int>> m_pairs;
};

class HT_EXPORT HT_Plotter_IO_Configuration : public HT_Object {
public:
    HT_Plotter_IO_Configuration* clone() const { return new HT_Plotter_IO_Configuration(*this); }
    const HT_String& get_plot_to_file_name() const { return m_file; }
    void set_plot_to_file_name(const char* s) { m_file = s; }

private:
    HT_String m_file;
};

HT_DECLARE_SIMPLE(HT_Plotter_IO_Validator);
HT_DECLARE_SIMPLE(HT_Baud_Rate);
HT_DECLARE_LIST(HT_Baud_Rate_List, HT_Baud_Rate);
HT_DECLARE_SIMPLE(HT_Parity_List);
HT_DECLARE_SIMPLE(HT_Handshake_List);
HT_DECLARE_SIMPLE(HT_Protocol);
HT_DECLARE_LIST(HT_Protocol_List, HT_Protocol);
HT_DECLARE_SIMPLE(HT_IO_Method);
HT_DECLARE_LIST(HT_IO_Method_List, HT_IO_Method);
HT_DECLARE_SIMPLE(HT_IO_Port);
HT_DECLARE_LIST(HT_IO_Port_List, HT_IO_Port);

// ---- pens, raster, linetypes, initialisation ------------------------------

HT_DECLARE_SIMPLE(HT_Pen_Capabilities);
HT_DECLARE_SIMPLE(HT_Pen_Configuration);
HT_DECLARE_SIMPLE(HT_Pen);
HT_DECLARE_LIST(HT_Pen_List, HT_Pen);
HT_DECLARE_SIMPLE(HT_Pen_Validator);
HT_DECLARE_SIMPLE(HT_Raster_Capabilities);
HT_DECLARE_SIMPLE(HT_Mem_Area);
HT_DECLARE_LIST(HT_Mem_Area_List, HT_Mem_Area);
HT_DECLARE_SIMPLE(HT_Dither_Matrix);
HT_DECLARE_LIST(HT_Dither_Matrix_List, HT_Dither_Matrix);
HT_DECLARE_SIMPLE(HT_Dithering_Method);
HT_DECLARE_LIST(HT_Dithering_List, HT_Dithering_Method);
HT_DECLARE_SIMPLE(HT_Linetype_Capabilities);
HT_DECLARE_SIMPLE(HT_InitTerm_Capabilities);
HT_DECLARE_SIMPLE(HT_InitTerm_Configuration);
HT_DECLARE_SIMPLE(HT_InitTerm_Validator);
HT_DECLARE_SIMPLE(HT_Plotter_Validator);
HT_DECLARE_SIMPLE(HT_Caps_Name_List_Object);
HT_DECLARE_LIST(HT_Caps_Name_List, HT_Caps_Name_List_Object);

// ---- resolution, colour and memory -----------------------------------------

class HT_EXPORT HT_Resolution : public HT_Object {
public:
    HT_Resolution* clone() const { return new HT_Resolution(*this); }
    int x = 0, y = 0;
};
HT_DECLARE_LIST(HT_Resolution_List, HT_Resolution);

// One selectable resolution and colour combination.
class HT_EXPORT HT_ResColorMem : public HT_Object {
public:
    HT_ResColorMem* clone() const { return new HT_ResColorMem(*this); }
    int x_resolution = 0, y_resolution = 0;
    int color_system = HT_Color_System_Indexed;
    int color_depth = 0;          // bits per pixel
    std::int32_t color_count = 0; // signed: negative for grey output
    HT_String description;
};
HT_DECLARE_LIST(HT_ResColorMem_List, HT_ResColorMem);
HT_DECLARE_SIMPLE(HT_ResColorMem_Settings);
HT_DECLARE_SIMPLE(HT_ResColorMem_Validator);

class HT_EXPORT HT_ResColorMem_Capabilities : public HT_Object {
public:
    HT_ResColorMem_Capabilities();
    HT_ResColorMem_Capabilities(const HT_ResColorMem_Capabilities& o);
    HT_ResColorMem_Capabilities* clone() const { return new HT_ResColorMem_Capabilities(*this); }
    HT_Smart_Pointer<HT_ResColorMem_List> entries;
};

class HT_EXPORT HT_ResColorMem_Configuration : public HT_Object {
public:
    HT_ResColorMem_Configuration() = default;
    HT_ResColorMem_Configuration(const HT_ResColorMem_Configuration& o);
    HT_ResColorMem_Configuration* clone() const { return new HT_ResColorMem_Configuration(*this); }
    int get_index() const { return m_index; }
    // The selected entry, a copy of the capability's entry at that index.
    HT_Smart_Pointer<HT_ResColorMem> get_current() const { return m_current; }
    void select(int index, HT_ResColorMem* entry) {
        m_index = index;
        m_current = entry;
    }

private:
    int m_index = -1;
    HT_Smart_Pointer<HT_ResColorMem> m_current;
};

// ---- identity -------------------------------------------------------------

class HT_EXPORT HT_Family : public HT_Object {
public:
    HT_Family* clone() const { return new HT_Family(*this); }
    int kind = -1;
    HT_String descriptor, info;
};
HT_DECLARE_LIST(HT_Family_List, HT_Family);

class HT_EXPORT HT_Model : public HT_Object {
public:
    HT_Model* clone() const { return new HT_Model(*this); }
    void add_pair(int a, int b) { pairs.emplace_back(a, b); }

    int kind = -1, variant = -1;
    int localised = -1, custom = -1;
    HT_String texts[6];
    HT_String descriptor, info, os_version, locale;
    std::vector<std::pair<int, int>> pairs;
};
HT_DECLARE_LIST(HT_Model_List, HT_Model);

class HT_EXPORT HT_Meta_Capabilities : public HT_Object {
public:
    HT_Meta_Capabilities() = default;
    HT_Meta_Capabilities(const HT_Meta_Capabilities& o);
    HT_Meta_Capabilities* clone() const { return new HT_Meta_Capabilities(*this); }

    // Family and model are copied in: the caller keeps its own objects.
    void set_family(const HT_Family* f) { m_family = f ? f->clone() : nullptr; }
    void set_model(const HT_Model* m) { m_model = m ? m->clone() : nullptr; }
    HT_Smart_Pointer<HT_Family> get_family() const { return m_family; }
    HT_Smart_Pointer<HT_Model> get_model() const { return m_model; }

    HT_String version;
    int flags = -1;
    HT_String driver_path;
    HT_String description;

private:
    HT_Smart_Pointer<HT_Family> m_family;
    HT_Smart_Pointer<HT_Model> m_model;
};

// ---- shoeboxes --------------------------------------------------------------

class HT_EXPORT HT_AutoCAD_Shoebox : public HT_Object {
public:
    HT_AutoCAD_Shoebox* clone() const { return new HT_AutoCAD_Shoebox(*this); }
    HT_String directory;
    HT_String temp_folder;
    HT_Smart_Pointer<HT_Progress> progress;
};

class HT_EXPORT HT_Shoebox : public HT_Object {
public:
    HT_Shoebox() = default;
    HT_Shoebox(const HT_Shoebox& o);
    HT_Shoebox* clone() const { return new HT_Shoebox(*this); }
    HT_Smart_Pointer<HT_AutoCAD_Shoebox> get_autocad_shoebox() const { return m_acad; }
    void set_autocad_shoebox(HT_AutoCAD_Shoebox* s) { m_acad = s; }

private:
    HT_Smart_Pointer<HT_AutoCAD_Shoebox> m_acad;
};

// ---- containers ---------------------------------------------------------------

class HT_EXPORT HT_Plotter_Capabilities : public HT_Object {
public:
    ~HT_Plotter_Capabilities() override;
    virtual HT_Smart_Pointer<HT_Media_Capabilities> get_media_capabilities() const = 0;
    virtual HT_Smart_Pointer<HT_Plotter_IO_Capabilities> get_io_capabilities() const = 0;
    virtual HT_Smart_Pointer<HT_Pen_Capabilities> get_phys_pen_capabilities() const = 0;
    virtual HT_Smart_Pointer<HT_Raster_Capabilities> get_raster_capabilities() const = 0;
    virtual HT_Smart_Pointer<HT_Linetype_Capabilities> get_linetype_capabilities() const = 0;
    virtual HT_Smart_Pointer<HT_ResColorMem_Capabilities>
    get_res_color_mem_capabilities() const = 0;
    virtual HT_Smart_Pointer<HT_InitTerm_Capabilities> get_init_term_capabilities() const = 0;
    virtual HT_Smart_Pointer<HT_Custom_Capabilities> get_custom_capabilities() const = 0;
    virtual void set_media_capabilities(HT_Smart_Pointer<HT_Media_Capabilities>) = 0;
    virtual void set_io_capabilities(HT_Smart_Pointer<HT_Plotter_IO_Capabilities>) = 0;
    virtual void set_phys_pen_capabilities(HT_Smart_Pointer<HT_Pen_Capabilities>) = 0;
    virtual void set_raster_capabilities(HT_Smart_Pointer<HT_Raster_Capabilities>) = 0;
    virtual void set_linetype_capabilities(HT_Smart_Pointer<HT_Linetype_Capabilities>) = 0;
    virtual void set_res_color_mem_capabilities(HT_Smart_Pointer<HT_ResColorMem_Capabilities>) = 0;
    virtual void set_init_term_capabilities(HT_Smart_Pointer<HT_InitTerm_Capabilities>) = 0;
    virtual void set_custom_capabilities(HT_Smart_Pointer<HT_Custom_Capabilities>) = 0;
    virtual HT_Plotter_Capabilities* clone() const = 0;
};

class HT_EXPORT HT_Std_Plotter_Capabilities : public HT_Plotter_Capabilities {
public:
    HT_Std_Plotter_Capabilities() = default;
    HT_Std_Plotter_Capabilities(const HT_Std_Plotter_Capabilities& o);
    ~HT_Std_Plotter_Capabilities() override;
    HT_Smart_Pointer<HT_Media_Capabilities> get_media_capabilities() const override;
    HT_Smart_Pointer<HT_Plotter_IO_Capabilities> get_io_capabilities() const override;
    HT_Smart_Pointer<HT_Pen_Capabilities> get_phys_pen_capabilities() const override;
    HT_Smart_Pointer<HT_Raster_Capabilities> get_raster_capabilities() const override;
    HT_Smart_Pointer<HT_Linetype_Capabilities> get_linetype_capabilities() const override;
    HT_Smart_Pointer<HT_ResColorMem_Capabilities> get_res_color_mem_capabilities() const override;
    HT_Smart_Pointer<HT_InitTerm_Capabilities> get_init_term_capabilities() const override;
    HT_Smart_Pointer<HT_Custom_Capabilities> get_custom_capabilities() const override;
    void set_media_capabilities(HT_Smart_Pointer<HT_Media_Capabilities>) override;
    void set_io_capabilities(HT_Smart_Pointer<HT_Plotter_IO_Capabilities>) override;
    void set_phys_pen_capabilities(HT_Smart_Pointer<HT_Pen_Capabilities>) override;
    void set_raster_capabilities(HT_Smart_Pointer<HT_Raster_Capabilities>) override;
    void set_linetype_capabilities(HT_Smart_Pointer<HT_Linetype_Capabilities>) override;
    void set_res_color_mem_capabilities(HT_Smart_Pointer<HT_ResColorMem_Capabilities>) override;
    void set_init_term_capabilities(HT_Smart_Pointer<HT_InitTerm_Capabilities>) override;
    void set_custom_capabilities(HT_Smart_Pointer<HT_Custom_Capabilities>) override;
    HT_Plotter_Capabilities* clone() const override;

protected:
    // Copies the sub-objects of another container into this one.
    void copy_from(const HT_Std_Plotter_Capabilities& o);

private:
    HT_Smart_Pointer<HT_Media_Capabilities> m_media;
    HT_Smart_Pointer<HT_Plotter_IO_Capabilities> m_io;
    HT_Smart_Pointer<HT_Pen_Capabilities> m_pen;
    HT_Smart_Pointer<HT_Raster_Capabilities> m_raster;
    HT_Smart_Pointer<HT_Linetype_Capabilities> m_linetype;
    HT_Smart_Pointer<HT_ResColorMem_Capabilities> m_rcm;
    HT_Smart_Pointer<HT_InitTerm_Capabilities> m_initterm;
    HT_Smart_Pointer<HT_Custom_Capabilities> m_custom;
};

class HT_EXPORT HT_Plotter_Configuration : public HT_Object {
public:
    ~HT_Plotter_Configuration() override;
    virtual HT_Smart_Pointer<HT_Media_Configuration> get_media_configuration() const = 0;
    virtual HT_Smart_Pointer<HT_Plotter_IO_Configuration> get_io_configuration() const = 0;
    virtual HT_Smart_Pointer<HT_ResColorMem_Configuration>
    get_res_color_mem_configuration() const = 0;
    virtual HT_Smart_Pointer<HT_InitTerm_Configuration> get_init_term_configuration() const = 0;
    virtual HT_Smart_Pointer<HT_Pen_Configuration> get_phys_pen_configuration() const = 0;
    virtual HT_Smart_Pointer<HT_Custom_Configurations> get_custom_configuration() const = 0;
    virtual bool get_validated() const = 0;
    virtual bool get_default() const = 0;
    virtual void set_media_configuration(HT_Smart_Pointer<HT_Media_Configuration>) = 0;
    virtual void set_io_configuration(HT_Smart_Pointer<HT_Plotter_IO_Configuration>) = 0;
    virtual void
        set_res_color_mem_configuration(HT_Smart_Pointer<HT_ResColorMem_Configuration>) = 0;
    virtual void set_init_term_configuration(HT_Smart_Pointer<HT_InitTerm_Configuration>) = 0;
    virtual void set_phys_pen_configuration(HT_Smart_Pointer<HT_Pen_Configuration>) = 0;
    virtual void set_custom_configuration(HT_Smart_Pointer<HT_Custom_Configurations>) = 0;
    virtual HT_Plotter_Configuration* clone() const = 0;
};

class HT_EXPORT HT_Std_Plotter_Configuration : public HT_Plotter_Configuration {
public:
    HT_Std_Plotter_Configuration() = default;
    HT_Std_Plotter_Configuration(const HT_Std_Plotter_Configuration& o);
    ~HT_Std_Plotter_Configuration() override;
    HT_Smart_Pointer<HT_Media_Configuration> get_media_configuration() const override;
    HT_Smart_Pointer<HT_Plotter_IO_Configuration> get_io_configuration() const override;
    HT_Smart_Pointer<HT_ResColorMem_Configuration> get_res_color_mem_configuration() const override;
    HT_Smart_Pointer<HT_InitTerm_Configuration> get_init_term_configuration() const override;
    HT_Smart_Pointer<HT_Pen_Configuration> get_phys_pen_configuration() const override;
    HT_Smart_Pointer<HT_Custom_Configurations> get_custom_configuration() const override;
    bool get_validated() const override { return m_validated; }
    bool get_default() const override { return m_default; }
    void set_media_configuration(HT_Smart_Pointer<HT_Media_Configuration>) override;
    void set_io_configuration(HT_Smart_Pointer<HT_Plotter_IO_Configuration>) override;
    void set_res_color_mem_configuration(HT_Smart_Pointer<HT_ResColorMem_Configuration>) override;
    void set_init_term_configuration(HT_Smart_Pointer<HT_InitTerm_Configuration>) override;
    void set_phys_pen_configuration(HT_Smart_Pointer<HT_Pen_Configuration>) override;
    void set_custom_configuration(HT_Smart_Pointer<HT_Custom_Configurations>) override;
    HT_Plotter_Configuration* clone() const override;

    void set_validated(bool v) { m_validated = v; }
    void set_default(bool v) { m_default = v; }

protected:
    void copy_from(const HT_Std_Plotter_Configuration& o);

private:
    HT_Smart_Pointer<HT_Media_Configuration> m_media;
    HT_Smart_Pointer<HT_Plotter_IO_Configuration> m_io;
    HT_Smart_Pointer<HT_ResColorMem_Configuration> m_rcm;
    HT_Smart_Pointer<HT_InitTerm_Configuration> m_initterm;
    HT_Smart_Pointer<HT_Pen_Configuration> m_pen;
    HT_Smart_Pointer<HT_Custom_Configurations> m_custom;
    bool m_validated = false;
    bool m_default = true;
};
