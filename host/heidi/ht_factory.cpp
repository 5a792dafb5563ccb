#include "ht_factory.h"

#include "ht_plotter_io.h"

#include <new>
#include <utility>
#include <vector>

HT_Plotter_Class_Factory::~HT_Plotter_Class_Factory() = default;
HT_Std_Plotter_Class_Factory::HT_Std_Plotter_Class_Factory() = default;
HT_Std_Plotter_Class_Factory::~HT_Std_Plotter_Class_Factory() = default;

HT_Caps_Loader* HT_Std_Plotter_Class_Factory::HD_Create_Caps_Loader(
    HT_Smart_Pointer<HT_Error_Handler> handler) const {
    if (ht_test::creation_refused("Caps_Loader"))
        return nullptr;
    return new (std::nothrow) PM_DRC_Caps_Loader(std::move(handler));
}

HT_Std_Long_Custom_Data*
HT_Std_Plotter_Class_Factory::HD_Create_Long_Custom_Data(std::int32_t value) const {
    if (ht_test::creation_refused("Long_Custom_Data"))
        return nullptr;
    return new (std::nothrow) HT_Std_Long_Custom_Data(value);
}

HT_Std_Double_Custom_Data*
HT_Std_Plotter_Class_Factory::HD_Create_Double_Custom_Data(double value) const {
    if (ht_test::creation_refused("Double_Custom_Data"))
        return nullptr;
    return new (std::nothrow) HT_Std_Double_Custom_Data(value);
}

HT_Std_Boolean_Custom_Data*
HT_Std_Plotter_Class_Factory::HD_Create_Boolean_Custom_Data(bool value) const {
    if (ht_test::creation_refused("Boolean_Custom_Data"))
        return nullptr;
    return new (std::nothrow) HT_Std_Boolean_Custom_Data(value);
}

HT_Std_String_Custom_Data*
HT_Std_Plotter_Class_Factory::HD_Create_String_Custom_Data(const char* value) const {
    if (ht_test::creation_refused("String_Custom_Data"))
        return nullptr;
    return new (std::nothrow) HT_Std_String_Custom_Data(HT_String(value));
}

HT_Std_Raw_Custom_Data*
HT_Std_Plotter_Class_Factory::HD_Create_Raw_Custom_Data(const void* data, std::size_t size) const {
    if (ht_test::creation_refused("Raw_Custom_Data"))
        return nullptr;
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    return new (std::nothrow)
        HT_Std_Raw_Custom_Data(std::vector<std::uint8_t>(bytes, bytes + (bytes ? size : 0)));
}

HT_Custom_Capability_Value*
HT_Std_Plotter_Class_Factory::HD_Create_Custom_Capability_Value() const {
    if (ht_test::creation_refused("Custom_Capability_Value"))
        return nullptr;
    return new (std::nothrow) HT_Custom_Capability_Value();
}

HT_Custom_Capability_Value_List*
HT_Std_Plotter_Class_Factory::HD_Create_Custom_Capability_Value_List() const {
    if (ht_test::creation_refused("Custom_Capability_Value_List"))
        return nullptr;
    return new (std::nothrow) HT_Custom_Capability_Value_List();
}

HT_Custom_Capability*
HT_Std_Plotter_Class_Factory::HD_Create_Custom_Capability(const char* name,
                                                          HT_Custom_Data* data) const {
    if (ht_test::creation_refused("Custom_Capability"))
        return nullptr;
    return new (std::nothrow) HT_Custom_Capability(name, data);
}

HT_Custom_Capability_List* HT_Std_Plotter_Class_Factory::HD_Create_Custom_Capability_List() const {
    if (ht_test::creation_refused("Custom_Capability_List"))
        return nullptr;
    return new (std::nothrow) HT_Custom_Capability_List();
}

HT_Custom_Capabilities* HT_Std_Plotter_Class_Factory::HD_Create_Custom_Capabilities() const {
    if (ht_test::creation_refused("Custom_Capabilities"))
        return nullptr;
    return new (std::nothrow) HT_Custom_Capabilities();
}

HT_Custom_Config_Item*
HT_Std_Plotter_Class_Factory::HD_Create_Custom_Config_Item(const char* name,
                                                           HT_Custom_Data* data) const {
    if (ht_test::creation_refused("Custom_Config_Item"))
        return nullptr;
    return new (std::nothrow) HT_Custom_Config_Item(name, data);
}

HT_Custom_Config_Item_List*
HT_Std_Plotter_Class_Factory::HD_Create_Custom_Config_Item_List() const {
    if (ht_test::creation_refused("Custom_Config_Item_List"))
        return nullptr;
    return new (std::nothrow) HT_Custom_Config_Item_List();
}

HT_Custom_Configurations* HT_Std_Plotter_Class_Factory::HD_Create_Custom_Configurations() const {
    if (ht_test::creation_refused("Custom_Configurations"))
        return nullptr;
    return new (std::nothrow) HT_Custom_Configurations();
}

HT_Custom_Validator* HT_Std_Plotter_Class_Factory::HD_Create_Custom_Validator() const {
    if (ht_test::creation_refused("Custom_Validator"))
        return nullptr;
    return new (std::nothrow) HT_Custom_Validator();
}

HT_InitTerm_Capabilities* HT_Std_Plotter_Class_Factory::HD_Create_InitTerm_Capabilities() const {
    if (ht_test::creation_refused("InitTerm_Capabilities"))
        return nullptr;
    return new (std::nothrow) HT_InitTerm_Capabilities();
}

HT_InitTerm_Configuration* HT_Std_Plotter_Class_Factory::HD_Create_InitTerm_Configuration() const {
    if (ht_test::creation_refused("InitTerm_Configuration"))
        return nullptr;
    return new (std::nothrow) HT_InitTerm_Configuration();
}

HT_InitTerm_Validator* HT_Std_Plotter_Class_Factory::HD_Create_InitTerm_Validator() const {
    if (ht_test::creation_refused("InitTerm_Validator"))
        return nullptr;
    return new (std::nothrow) HT_InitTerm_Validator();
}

HT_Baud_Rate* HT_Std_Plotter_Class_Factory::HD_Create_Baud_Rate() const {
    if (ht_test::creation_refused("Baud_Rate"))
        return nullptr;
    return new (std::nothrow) HT_Baud_Rate();
}

HT_Baud_Rate_List* HT_Std_Plotter_Class_Factory::HD_Create_Baud_Rate_List() const {
    if (ht_test::creation_refused("Baud_Rate_List"))
        return nullptr;
    return new (std::nothrow) HT_Baud_Rate_List();
}

HT_Parity_List* HT_Std_Plotter_Class_Factory::HD_Create_Parity_List() const {
    if (ht_test::creation_refused("Parity_List"))
        return nullptr;
    return new (std::nothrow) HT_Parity_List();
}

HT_Handshake_List* HT_Std_Plotter_Class_Factory::HD_Create_Handshake_List() const {
    if (ht_test::creation_refused("Handshake_List"))
        return nullptr;
    return new (std::nothrow) HT_Handshake_List();
}

HT_Protocol* HT_Std_Plotter_Class_Factory::HD_Create_Protocol() const {
    if (ht_test::creation_refused("Protocol"))
        return nullptr;
    return new (std::nothrow) HT_Protocol();
}

HT_Protocol_List* HT_Std_Plotter_Class_Factory::HD_Create_Protocol_List() const {
    if (ht_test::creation_refused("Protocol_List"))
        return nullptr;
    return new (std::nothrow) HT_Protocol_List();
}

HT_IO_Method* HT_Std_Plotter_Class_Factory::HD_Create_IO_Method() const {
    if (ht_test::creation_refused("IO_Method"))
        return nullptr;
    return new (std::nothrow) HT_IO_Method();
}

HT_IO_Method_List* HT_Std_Plotter_Class_Factory::HD_Create_IO_Method_List() const {
    if (ht_test::creation_refused("IO_Method_List"))
        return nullptr;
    return new (std::nothrow) HT_IO_Method_List();
}

HT_IO_Port* HT_Std_Plotter_Class_Factory::HD_Create_IO_Port() const {
    if (ht_test::creation_refused("IO_Port"))
        return nullptr;
    return new (std::nothrow) HT_IO_Port();
}

HT_IO_Port_List* HT_Std_Plotter_Class_Factory::HD_Create_IO_Port_List() const {
    if (ht_test::creation_refused("IO_Port_List"))
        return nullptr;
    return new (std::nothrow) HT_IO_Port_List();
}

HT_Plotter_IO_Configuration*
HT_Std_Plotter_Class_Factory::HD_Create_Plotter_IO_Configuration() const {
    if (ht_test::creation_refused("Plotter_IO_Configuration"))
        return nullptr;
    return new (std::nothrow) HT_Plotter_IO_Configuration();
}

HT_Plotter_IO_Capabilities*
HT_Std_Plotter_Class_Factory::HD_Create_Plotter_IO_Capabilities() const {
    if (ht_test::creation_refused("Plotter_IO_Capabilities"))
        return nullptr;
    return new (std::nothrow) HT_Plotter_IO_Capabilities();
}

HT_Plotter_IO_Validator* HT_Std_Plotter_Class_Factory::HD_Create_Plotter_IO_Validator() const {
    if (ht_test::creation_refused("Plotter_IO_Validator"))
        return nullptr;
    return new (std::nothrow) HT_Plotter_IO_Validator();
}

HT_Plotter_IO* HT_Std_Plotter_Class_Factory::HD_Create_Plotter_IO(
    HT_Smart_Pointer<HT_Error_Handler> handler) const {
    if (ht_test::creation_refused("Plotter_IO"))
        return nullptr;
    return new (std::nothrow) HT_Plotter_IO(std::move(handler));
}

HT_Linetype_Capabilities* HT_Std_Plotter_Class_Factory::HD_Create_Linetype_Capabilities() const {
    if (ht_test::creation_refused("Linetype_Capabilities"))
        return nullptr;
    return new (std::nothrow) HT_Linetype_Capabilities();
}

HT_Media_Capabilities* HT_Std_Plotter_Class_Factory::HD_Create_Media_Capabilities() const {
    if (ht_test::creation_refused("Media_Capabilities"))
        return nullptr;
    return new (std::nothrow) HT_Media_Capabilities();
}

HT_Media_Configuration* HT_Std_Plotter_Class_Factory::HD_Create_Media_Configuration() const {
    if (ht_test::creation_refused("Media_Configuration"))
        return nullptr;
    return new (std::nothrow) HT_Media_Configuration();
}

HT_Media_Description* HT_Std_Plotter_Class_Factory::HD_Create_Media_Description() const {
    if (ht_test::creation_refused("Media_Description"))
        return nullptr;
    return new (std::nothrow) HT_Media_Description();
}

HT_Media_Description_List* HT_Std_Plotter_Class_Factory::HD_Create_Media_Description_List() const {
    if (ht_test::creation_refused("Media_Description_List"))
        return nullptr;
    return new (std::nothrow) HT_Media_Description_List();
}

HT_Media_Destination* HT_Std_Plotter_Class_Factory::HD_Create_Media_Destination() const {
    if (ht_test::creation_refused("Media_Destination"))
        return nullptr;
    return new (std::nothrow) HT_Media_Destination();
}

HT_Media_Collating* HT_Std_Plotter_Class_Factory::HD_Create_Media_Collating() const {
    if (ht_test::creation_refused("Media_Collating"))
        return nullptr;
    return new (std::nothrow) HT_Media_Collating();
}

HT_Media_Stapling* HT_Std_Plotter_Class_Factory::HD_Create_Media_Stapling() const {
    if (ht_test::creation_refused("Media_Stapling"))
        return nullptr;
    return new (std::nothrow) HT_Media_Stapling();
}

HT_Media_Cutting* HT_Std_Plotter_Class_Factory::HD_Create_Media_Cutting() const {
    if (ht_test::creation_refused("Media_Cutting"))
        return nullptr;
    return new (std::nothrow) HT_Media_Cutting();
}

HT_Media_Folding* HT_Std_Plotter_Class_Factory::HD_Create_Media_Folding() const {
    if (ht_test::creation_refused("Media_Folding"))
        return nullptr;
    return new (std::nothrow) HT_Media_Folding();
}

HT_Media_Settings* HT_Std_Plotter_Class_Factory::HD_Create_Media_Settings() const {
    if (ht_test::creation_refused("Media_Settings"))
        return nullptr;
    return new (std::nothrow) HT_Media_Settings();
}

HT_Media_Collating_List* HT_Std_Plotter_Class_Factory::HD_Create_Media_Collating_List() const {
    if (ht_test::creation_refused("Media_Collating_List"))
        return nullptr;
    return new (std::nothrow) HT_Media_Collating_List();
}

HT_Media_Stapling_List* HT_Std_Plotter_Class_Factory::HD_Create_Media_Stapling_List() const {
    if (ht_test::creation_refused("Media_Stapling_List"))
        return nullptr;
    return new (std::nothrow) HT_Media_Stapling_List();
}

HT_Media_Cutting_List* HT_Std_Plotter_Class_Factory::HD_Create_Media_Cutting_List() const {
    if (ht_test::creation_refused("Media_Cutting_List"))
        return nullptr;
    return new (std::nothrow) HT_Media_Cutting_List();
}

HT_Media_Folding_List* HT_Std_Plotter_Class_Factory::HD_Create_Media_Folding_List() const {
    if (ht_test::creation_refused("Media_Folding_List"))
        return nullptr;
    return new (std::nothrow) HT_Media_Folding_List();
}

HT_Media_Destination_List* HT_Std_Plotter_Class_Factory::HD_Create_Media_Destination_List() const {
    if (ht_test::creation_refused("Media_Destination_List"))
        return nullptr;
    return new (std::nothrow) HT_Media_Destination_List();
}

HT_Media_Size* HT_Std_Plotter_Class_Factory::HD_Create_Media_Size() const {
    if (ht_test::creation_refused("Media_Size"))
        return nullptr;
    return new (std::nothrow) HT_Media_Size();
}

HT_Media_Size_List* HT_Std_Plotter_Class_Factory::HD_Create_Media_Size_List() const {
    if (ht_test::creation_refused("Media_Size_List"))
        return nullptr;
    return new (std::nothrow) HT_Media_Size_List();
}

HT_Media_Size_In_Source* HT_Std_Plotter_Class_Factory::HD_Create_Media_Size_In_Source() const {
    if (ht_test::creation_refused("Media_Size_In_Source"))
        return nullptr;
    return new (std::nothrow) HT_Media_Size_In_Source();
}

HT_Media_Size_Name_List* HT_Std_Plotter_Class_Factory::HD_Create_Media_Size_Name_List() const {
    if (ht_test::creation_refused("Media_Size_Name_List"))
        return nullptr;
    return new (std::nothrow) HT_Media_Size_Name_List();
}

HT_Media_Source* HT_Std_Plotter_Class_Factory::HD_Create_Media_Source() const {
    if (ht_test::creation_refused("Media_Source"))
        return nullptr;
    return new (std::nothrow) HT_Media_Source();
}

HT_Media_Source_Entry* HT_Std_Plotter_Class_Factory::HD_Create_Media_Source_Entry() const {
    if (ht_test::creation_refused("Media_Source_Entry"))
        return nullptr;
    return new (std::nothrow) HT_Media_Source_Entry();
}

HT_Media_Source_Entry_List*
HT_Std_Plotter_Class_Factory::HD_Create_Media_Source_Entry_List() const {
    if (ht_test::creation_refused("Media_Source_Entry_List"))
        return nullptr;
    return new (std::nothrow) HT_Media_Source_Entry_List();
}

HT_Media_Source_List* HT_Std_Plotter_Class_Factory::HD_Create_Media_Source_List() const {
    if (ht_test::creation_refused("Media_Source_List"))
        return nullptr;
    return new (std::nothrow) HT_Media_Source_List();
}

HT_Media_Validator* HT_Std_Plotter_Class_Factory::HD_Create_Media_Validator() const {
    if (ht_test::creation_refused("Media_Validator"))
        return nullptr;
    return new (std::nothrow) HT_Media_Validator();
}

HT_Media_Type* HT_Std_Plotter_Class_Factory::HD_Create_Media_Type() const {
    if (ht_test::creation_refused("Media_Type"))
        return nullptr;
    return new (std::nothrow) HT_Media_Type();
}

HT_Media_Type_List* HT_Std_Plotter_Class_Factory::HD_Create_Media_Type_List() const {
    if (ht_test::creation_refused("Media_Type_List"))
        return nullptr;
    return new (std::nothrow) HT_Media_Type_List();
}

HT_Model* HT_Std_Plotter_Class_Factory::HD_Create_Model() const {
    if (ht_test::creation_refused("Model"))
        return nullptr;
    return new (std::nothrow) HT_Model();
}

HT_Model_List* HT_Std_Plotter_Class_Factory::HD_Create_Model_List() const {
    if (ht_test::creation_refused("Model_List"))
        return nullptr;
    return new (std::nothrow) HT_Model_List();
}

HT_Family* HT_Std_Plotter_Class_Factory::HD_Create_Family() const {
    if (ht_test::creation_refused("Family"))
        return nullptr;
    return new (std::nothrow) HT_Family();
}

HT_Family_List* HT_Std_Plotter_Class_Factory::HD_Create_Family_List() const {
    if (ht_test::creation_refused("Family_List"))
        return nullptr;
    return new (std::nothrow) HT_Family_List();
}

HT_Meta_Capabilities* HT_Std_Plotter_Class_Factory::HD_Create_Meta_Capabilities() const {
    if (ht_test::creation_refused("Meta_Capabilities"))
        return nullptr;
    return new (std::nothrow) HT_Meta_Capabilities();
}

HT_Pen_Capabilities* HT_Std_Plotter_Class_Factory::HD_Create_Pen_Capabilities() const {
    if (ht_test::creation_refused("Pen_Capabilities"))
        return nullptr;
    return new (std::nothrow) HT_Pen_Capabilities();
}

HT_Pen_Configuration* HT_Std_Plotter_Class_Factory::HD_Create_Pen_Configuration() const {
    if (ht_test::creation_refused("Pen_Configuration"))
        return nullptr;
    return new (std::nothrow) HT_Pen_Configuration();
}

HT_Pen* HT_Std_Plotter_Class_Factory::HD_Create_Pen() const {
    if (ht_test::creation_refused("Pen"))
        return nullptr;
    return new (std::nothrow) HT_Pen();
}

HT_Pen_List* HT_Std_Plotter_Class_Factory::HD_Create_Pen_List() const {
    if (ht_test::creation_refused("Pen_List"))
        return nullptr;
    return new (std::nothrow) HT_Pen_List();
}

HT_Pen_Validator* HT_Std_Plotter_Class_Factory::HD_Create_Pen_Validator() const {
    if (ht_test::creation_refused("Pen_Validator"))
        return nullptr;
    return new (std::nothrow) HT_Pen_Validator();
}

HT_Raster_Capabilities* HT_Std_Plotter_Class_Factory::HD_Create_Raster_Capabilities() const {
    if (ht_test::creation_refused("Raster_Capabilities"))
        return nullptr;
    return new (std::nothrow) HT_Raster_Capabilities();
}

HT_Mem_Area* HT_Std_Plotter_Class_Factory::HD_Create_Mem_Area() const {
    if (ht_test::creation_refused("Mem_Area"))
        return nullptr;
    return new (std::nothrow) HT_Mem_Area();
}

HT_Mem_Area_List* HT_Std_Plotter_Class_Factory::HD_Create_Mem_Area_List() const {
    if (ht_test::creation_refused("Mem_Area_List"))
        return nullptr;
    return new (std::nothrow) HT_Mem_Area_List();
}

HT_Dither_Matrix* HT_Std_Plotter_Class_Factory::HD_Create_Dither_Matrix() const {
    if (ht_test::creation_refused("Dither_Matrix"))
        return nullptr;
    return new (std::nothrow) HT_Dither_Matrix();
}

HT_Dither_Matrix_List* HT_Std_Plotter_Class_Factory::HD_Create_Dither_Matrix_List() const {
    if (ht_test::creation_refused("Dither_Matrix_List"))
        return nullptr;
    return new (std::nothrow) HT_Dither_Matrix_List();
}

HT_Dithering_Method* HT_Std_Plotter_Class_Factory::HD_Create_Dithering_Method() const {
    if (ht_test::creation_refused("Dithering_Method"))
        return nullptr;
    return new (std::nothrow) HT_Dithering_Method();
}

HT_Dithering_List* HT_Std_Plotter_Class_Factory::HD_Create_Dithering_List() const {
    if (ht_test::creation_refused("Dithering_List"))
        return nullptr;
    return new (std::nothrow) HT_Dithering_List();
}

HT_Resolution* HT_Std_Plotter_Class_Factory::HD_Create_Resolution() const {
    if (ht_test::creation_refused("Resolution"))
        return nullptr;
    return new (std::nothrow) HT_Resolution();
}

HT_Resolution_List* HT_Std_Plotter_Class_Factory::HD_Create_Resolution_List() const {
    if (ht_test::creation_refused("Resolution_List"))
        return nullptr;
    return new (std::nothrow) HT_Resolution_List();
}

HT_ResColorMem* HT_Std_Plotter_Class_Factory::HD_Create_ResColorMem() const {
    if (ht_test::creation_refused("ResColorMem"))
        return nullptr;
    return new (std::nothrow) HT_ResColorMem();
}

HT_ResColorMem_List* HT_Std_Plotter_Class_Factory::HD_Create_ResColorMem_List() const {
    if (ht_test::creation_refused("ResColorMem_List"))
        return nullptr;
    return new (std::nothrow) HT_ResColorMem_List();
}

HT_ResColorMem_Settings* HT_Std_Plotter_Class_Factory::HD_Create_ResColorMem_Settings() const {
    if (ht_test::creation_refused("ResColorMem_Settings"))
        return nullptr;
    return new (std::nothrow) HT_ResColorMem_Settings();
}

HT_ResColorMem_Capabilities*
HT_Std_Plotter_Class_Factory::HD_Create_ResColorMem_Capabilities() const {
    if (ht_test::creation_refused("ResColorMem_Capabilities"))
        return nullptr;
    return new (std::nothrow) HT_ResColorMem_Capabilities();
}

HT_ResColorMem_Configuration*
HT_Std_Plotter_Class_Factory::HD_Create_ResColorMem_Configuration() const {
    if (ht_test::creation_refused("ResColorMem_Configuration"))
        return nullptr;
    return new (std::nothrow) HT_ResColorMem_Configuration();
}

HT_ResColorMem_Validator* HT_Std_Plotter_Class_Factory::HD_Create_ResColorMem_Validator() const {
    if (ht_test::creation_refused("ResColorMem_Validator"))
        return nullptr;
    return new (std::nothrow) HT_ResColorMem_Validator();
}

HT_Plotter_Validator* HT_Std_Plotter_Class_Factory::HD_Create_Plotter_Validator() const {
    if (ht_test::creation_refused("Plotter_Validator"))
        return nullptr;
    return new (std::nothrow) HT_Plotter_Validator();
}

HT_Plotter_Capabilities*
HT_Std_Plotter_Class_Factory::HD_Create_Plotter_Capabilities(const char* a, const char* b,
                                                             const char* c) const {
    if (ht_test::creation_refused("Plotter_Capabilities"))
        return nullptr;
    (void)a;
    (void)b;
    (void)c;
    return new (std::nothrow) HT_Std_Plotter_Capabilities();
}

HT_Caps_Name_List_Object* HT_Std_Plotter_Class_Factory::HD_Create_Caps_Name_List_Object() const {
    if (ht_test::creation_refused("Caps_Name_List_Object"))
        return nullptr;
    return new (std::nothrow) HT_Caps_Name_List_Object();
}

HT_Caps_Name_List* HT_Std_Plotter_Class_Factory::HD_Create_Caps_Name_List() const {
    if (ht_test::creation_refused("Caps_Name_List"))
        return nullptr;
    return new (std::nothrow) HT_Caps_Name_List();
}

HT_Plotter_Configuration*
HT_Std_Plotter_Class_Factory::HD_Create_Plotter_Configuration(const char* a, const char* b,
                                                              const char* c) const {
    if (ht_test::creation_refused("Plotter_Configuration"))
        return nullptr;
    (void)a;
    (void)b;
    (void)c;
    return new (std::nothrow) HT_Std_Plotter_Configuration();
}

HT_Plotter_Definition* HT_Std_Plotter_Class_Factory::HD_Create_Plotter_Definition(
    HT_Smart_Pointer<HT_Error_Handler> handler) const {
    if (ht_test::creation_refused("Plotter_Definition"))
        return nullptr;
    return new (std::nothrow) HT_Std_Plotter_Definition(std::move(handler));
}

HT_Shoebox* HT_Std_Plotter_Class_Factory::HD_Create_Shoebox() const {
    if (ht_test::creation_refused("Shoebox"))
        return nullptr;
    return new (std::nothrow) HT_Shoebox();
}

HT_AutoCAD_Shoebox* HT_Std_Plotter_Class_Factory::HD_Create_AutoCAD_Shoebox() const {
    if (ht_test::creation_refused("AutoCAD_Shoebox"))
        return nullptr;
    return new (std::nothrow) HT_AutoCAD_Shoebox();
}
