// The host's class factory: every host object a driver needs is created
// through it, so a driver can substitute its own kinds. The operations are
// in the host's slot order; drivers override by slot.
#pragma once

#include "ht_definition.h"

#include <cstddef>
#include <cstdint>

class HT_EXPORT HT_Plotter_Class_Factory : public HT_Object {
public:
    ~HT_Plotter_Class_Factory() override;
    virtual HT_Caps_Loader*
    HD_Create_Caps_Loader(HT_Smart_Pointer<HT_Error_Handler> handler) const = 0;
    virtual HT_Std_Long_Custom_Data* HD_Create_Long_Custom_Data(std::int32_t value) const = 0;
    virtual HT_Std_Double_Custom_Data* HD_Create_Double_Custom_Data(double value) const = 0;
    virtual HT_Std_Boolean_Custom_Data* HD_Create_Boolean_Custom_Data(bool value) const = 0;
    virtual HT_Std_String_Custom_Data* HD_Create_String_Custom_Data(const char* value) const = 0;
    virtual HT_Std_Raw_Custom_Data* HD_Create_Raw_Custom_Data(const void* data,
                                                              std::size_t size) const = 0;
    virtual HT_Custom_Capability_Value* HD_Create_Custom_Capability_Value() const = 0;
    virtual HT_Custom_Capability_Value_List* HD_Create_Custom_Capability_Value_List() const = 0;
    virtual HT_Custom_Capability* HD_Create_Custom_Capability(const char* name,
                                                              HT_Custom_Data* data) const = 0;
    virtual HT_Custom_Capability_List* HD_Create_Custom_Capability_List() const = 0;
    virtual HT_Custom_Capabilities* HD_Create_Custom_Capabilities() const = 0;
    virtual HT_Custom_Config_Item* HD_Create_Custom_Config_Item(const char* name,
                                                                HT_Custom_Data* data) const = 0;
    virtual HT_Custom_Config_Item_List* HD_Create_Custom_Config_Item_List() const = 0;
    virtual HT_Custom_Configurations* HD_Create_Custom_Configurations() const = 0;
    virtual HT_Custom_Validator* HD_Create_Custom_Validator() const = 0;
    virtual HT_InitTerm_Capabilities* HD_Create_InitTerm_Capabilities() const = 0;
    virtual HT_InitTerm_Configuration* HD_Create_InitTerm_Configuration() const = 0;
    virtual HT_InitTerm_Validator* HD_Create_InitTerm_Validator() const = 0;
    virtual HT_Baud_Rate* HD_Create_Baud_Rate() const = 0;
    virtual HT_Baud_Rate_List* HD_Create_Baud_Rate_List() const = 0;
    virtual HT_Parity_List* HD_Create_Parity_List() const = 0;
    virtual HT_Handshake_List* HD_Create_Handshake_List() const = 0;
    virtual HT_Protocol* HD_Create_Protocol() const = 0;
    virtual HT_Protocol_List* HD_Create_Protocol_List() const = 0;
    virtual HT_IO_Method* HD_Create_IO_Method() const = 0;
    virtual HT_IO_Method_List* HD_Create_IO_Method_List() const = 0;
    virtual HT_IO_Port* HD_Create_IO_Port() const = 0;
    virtual HT_IO_Port_List* HD_Create_IO_Port_List() const = 0;
    virtual HT_Plotter_IO_Configuration* HD_Create_Plotter_IO_Configuration() const = 0;
    virtual HT_Plotter_IO_Capabilities* HD_Create_Plotter_IO_Capabilities() const = 0;
    virtual HT_Plotter_IO_Validator* HD_Create_Plotter_IO_Validator() const = 0;
    virtual HT_Plotter_IO*
    HD_Create_Plotter_IO(HT_Smart_Pointer<HT_Error_Handler> handler) const = 0;
    virtual HT_Linetype_Capabilities* HD_Create_Linetype_Capabilities() const = 0;
    virtual HT_Media_Capabilities* HD_Create_Media_Capabilities() const = 0;
    virtual HT_Media_Configuration* HD_Create_Media_Configuration() const = 0;
    virtual HT_Media_Description* HD_Create_Media_Description() const = 0;
    virtual HT_Media_Description_List* HD_Create_Media_Description_List() const = 0;
    virtual HT_Media_Destination* HD_Create_Media_Destination() const = 0;
    virtual HT_Media_Collating* HD_Create_Media_Collating() const = 0;
    virtual HT_Media_Stapling* HD_Create_Media_Stapling() const = 0;
    virtual HT_Media_Cutting* HD_Create_Media_Cutting() const = 0;
    virtual HT_Media_Folding* HD_Create_Media_Folding() const = 0;
    virtual HT_Media_Settings* HD_Create_Media_Settings() const = 0;
    virtual HT_Media_Collating_List* HD_Create_Media_Collating_List() const = 0;
    virtual HT_Media_Stapling_List* HD_Create_Media_Stapling_List() const = 0;
    virtual HT_Media_Cutting_List* HD_Create_Media_Cutting_List() const = 0;
    virtual HT_Media_Folding_List* HD_Create_Media_Folding_List() const = 0;
    virtual HT_Media_Destination_List* HD_Create_Media_Destination_List() const = 0;
    virtual HT_Media_Size* HD_Create_Media_Size() const = 0;
    virtual HT_Media_Size_List* HD_Create_Media_Size_List() const = 0;
    virtual HT_Media_Size_In_Source* HD_Create_Media_Size_In_Source() const = 0;
    virtual HT_Media_Size_Name_List* HD_Create_Media_Size_Name_List() const = 0;
    virtual HT_Media_Source* HD_Create_Media_Source() const = 0;
    virtual HT_Media_Source_Entry* HD_Create_Media_Source_Entry() const = 0;
    virtual HT_Media_Source_Entry_List* HD_Create_Media_Source_Entry_List() const = 0;
    virtual HT_Media_Source_List* HD_Create_Media_Source_List() const = 0;
    virtual HT_Media_Validator* HD_Create_Media_Validator() const = 0;
    virtual HT_Media_Type* HD_Create_Media_Type() const = 0;
    virtual HT_Media_Type_List* HD_Create_Media_Type_List() const = 0;
    virtual HT_Model* HD_Create_Model() const = 0;
    virtual HT_Model_List* HD_Create_Model_List() const = 0;
    virtual HT_Family* HD_Create_Family() const = 0;
    virtual HT_Family_List* HD_Create_Family_List() const = 0;
    virtual HT_Meta_Capabilities* HD_Create_Meta_Capabilities() const = 0;
    virtual HT_Pen_Capabilities* HD_Create_Pen_Capabilities() const = 0;
    virtual HT_Pen_Configuration* HD_Create_Pen_Configuration() const = 0;
    virtual HT_Pen* HD_Create_Pen() const = 0;
    virtual HT_Pen_List* HD_Create_Pen_List() const = 0;
    virtual HT_Pen_Validator* HD_Create_Pen_Validator() const = 0;
    virtual HT_Raster_Capabilities* HD_Create_Raster_Capabilities() const = 0;
    virtual HT_Mem_Area* HD_Create_Mem_Area() const = 0;
    virtual HT_Mem_Area_List* HD_Create_Mem_Area_List() const = 0;
    virtual HT_Dither_Matrix* HD_Create_Dither_Matrix() const = 0;
    virtual HT_Dither_Matrix_List* HD_Create_Dither_Matrix_List() const = 0;
    virtual HT_Dithering_Method* HD_Create_Dithering_Method() const = 0;
    virtual HT_Dithering_List* HD_Create_Dithering_List() const = 0;
    virtual HT_Resolution* HD_Create_Resolution() const = 0;
    virtual HT_Resolution_List* HD_Create_Resolution_List() const = 0;
    virtual HT_ResColorMem* HD_Create_ResColorMem() const = 0;
    virtual HT_ResColorMem_List* HD_Create_ResColorMem_List() const = 0;
    virtual HT_ResColorMem_Settings* HD_Create_ResColorMem_Settings() const = 0;
    virtual HT_ResColorMem_Capabilities* HD_Create_ResColorMem_Capabilities() const = 0;
    virtual HT_ResColorMem_Configuration* HD_Create_ResColorMem_Configuration() const = 0;
    virtual HT_ResColorMem_Validator* HD_Create_ResColorMem_Validator() const = 0;
    virtual HT_Plotter_Validator* HD_Create_Plotter_Validator() const = 0;
    virtual HT_Plotter_Capabilities* HD_Create_Plotter_Capabilities(const char* a, const char* b,
                                                                    const char* c) const = 0;
    virtual HT_Caps_Name_List_Object* HD_Create_Caps_Name_List_Object() const = 0;
    virtual HT_Caps_Name_List* HD_Create_Caps_Name_List() const = 0;
    virtual HT_Plotter_Configuration* HD_Create_Plotter_Configuration(const char* a, const char* b,
                                                                      const char* c) const = 0;
    virtual HT_Plotter_Definition*
    HD_Create_Plotter_Definition(HT_Smart_Pointer<HT_Error_Handler> handler) const = 0;
    virtual HT_Shoebox* HD_Create_Shoebox() const = 0;
    virtual HT_AutoCAD_Shoebox* HD_Create_AutoCAD_Shoebox() const = 0;
};

class HT_EXPORT HT_Std_Plotter_Class_Factory : public HT_Plotter_Class_Factory {
public:
    HT_Std_Plotter_Class_Factory();
    ~HT_Std_Plotter_Class_Factory() override;
    HT_Caps_Loader*
    HD_Create_Caps_Loader(HT_Smart_Pointer<HT_Error_Handler> handler) const override;
    HT_Std_Long_Custom_Data* HD_Create_Long_Custom_Data(std::int32_t value) const override;
    HT_Std_Double_Custom_Data* HD_Create_Double_Custom_Data(double value) const override;
    HT_Std_Boolean_Custom_Data* HD_Create_Boolean_Custom_Data(bool value) const override;
    HT_Std_String_Custom_Data* HD_Create_String_Custom_Data(const char* value) const override;
    HT_Std_Raw_Custom_Data* HD_Create_Raw_Custom_Data(const void* data,
                                                      std::size_t size) const override;
    HT_Custom_Capability_Value* HD_Create_Custom_Capability_Value() const override;
    HT_Custom_Capability_Value_List* HD_Create_Custom_Capability_Value_List() const override;
    HT_Custom_Capability* HD_Create_Custom_Capability(const char* name,
                                                      HT_Custom_Data* data) const override;
    HT_Custom_Capability_List* HD_Create_Custom_Capability_List() const override;
    HT_Custom_Capabilities* HD_Create_Custom_Capabilities() const override;
    HT_Custom_Config_Item* HD_Create_Custom_Config_Item(const char* name,
                                                        HT_Custom_Data* data) const override;
    HT_Custom_Config_Item_List* HD_Create_Custom_Config_Item_List() const override;
    HT_Custom_Configurations* HD_Create_Custom_Configurations() const override;
    HT_Custom_Validator* HD_Create_Custom_Validator() const override;
    HT_InitTerm_Capabilities* HD_Create_InitTerm_Capabilities() const override;
    HT_InitTerm_Configuration* HD_Create_InitTerm_Configuration() const override;
    HT_InitTerm_Validator* HD_Create_InitTerm_Validator() const override;
    HT_Baud_Rate* HD_Create_Baud_Rate() const override;
    HT_Baud_Rate_List* HD_Create_Baud_Rate_List() const override;
    HT_Parity_List* HD_Create_Parity_List() const override;
    HT_Handshake_List* HD_Create_Handshake_List() const override;
    HT_Protocol* HD_Create_Protocol() const override;
    HT_Protocol_List* HD_Create_Protocol_List() const override;
    HT_IO_Method* HD_Create_IO_Method() const override;
    HT_IO_Method_List* HD_Create_IO_Method_List() const override;
    HT_IO_Port* HD_Create_IO_Port() const override;
    HT_IO_Port_List* HD_Create_IO_Port_List() const override;
    HT_Plotter_IO_Configuration* HD_Create_Plotter_IO_Configuration() const override;
    HT_Plotter_IO_Capabilities* HD_Create_Plotter_IO_Capabilities() const override;
    HT_Plotter_IO_Validator* HD_Create_Plotter_IO_Validator() const override;
    HT_Plotter_IO* HD_Create_Plotter_IO(HT_Smart_Pointer<HT_Error_Handler> handler) const override;
    HT_Linetype_Capabilities* HD_Create_Linetype_Capabilities() const override;
    HT_Media_Capabilities* HD_Create_Media_Capabilities() const override;
    HT_Media_Configuration* HD_Create_Media_Configuration() const override;
    HT_Media_Description* HD_Create_Media_Description() const override;
    HT_Media_Description_List* HD_Create_Media_Description_List() const override;
    HT_Media_Destination* HD_Create_Media_Destination() const override;
    HT_Media_Collating* HD_Create_Media_Collating() const override;
    HT_Media_Stapling* HD_Create_Media_Stapling() const override;
    HT_Media_Cutting* HD_Create_Media_Cutting() const override;
    HT_Media_Folding* HD_Create_Media_Folding() const override;
    HT_Media_Settings* HD_Create_Media_Settings() const override;
    HT_Media_Collating_List* HD_Create_Media_Collating_List() const override;
    HT_Media_Stapling_List* HD_Create_Media_Stapling_List() const override;
    HT_Media_Cutting_List* HD_Create_Media_Cutting_List() const override;
    HT_Media_Folding_List* HD_Create_Media_Folding_List() const override;
    HT_Media_Destination_List* HD_Create_Media_Destination_List() const override;
    HT_Media_Size* HD_Create_Media_Size() const override;
    HT_Media_Size_List* HD_Create_Media_Size_List() const override;
    HT_Media_Size_In_Source* HD_Create_Media_Size_In_Source() const override;
    HT_Media_Size_Name_List* HD_Create_Media_Size_Name_List() const override;
    HT_Media_Source* HD_Create_Media_Source() const override;
    HT_Media_Source_Entry* HD_Create_Media_Source_Entry() const override;
    HT_Media_Source_Entry_List* HD_Create_Media_Source_Entry_List() const override;
    HT_Media_Source_List* HD_Create_Media_Source_List() const override;
    HT_Media_Validator* HD_Create_Media_Validator() const override;
    HT_Media_Type* HD_Create_Media_Type() const override;
    HT_Media_Type_List* HD_Create_Media_Type_List() const override;
    HT_Model* HD_Create_Model() const override;
    HT_Model_List* HD_Create_Model_List() const override;
    HT_Family* HD_Create_Family() const override;
    HT_Family_List* HD_Create_Family_List() const override;
    HT_Meta_Capabilities* HD_Create_Meta_Capabilities() const override;
    HT_Pen_Capabilities* HD_Create_Pen_Capabilities() const override;
    HT_Pen_Configuration* HD_Create_Pen_Configuration() const override;
    HT_Pen* HD_Create_Pen() const override;
    HT_Pen_List* HD_Create_Pen_List() const override;
    HT_Pen_Validator* HD_Create_Pen_Validator() const override;
    HT_Raster_Capabilities* HD_Create_Raster_Capabilities() const override;
    HT_Mem_Area* HD_Create_Mem_Area() const override;
    HT_Mem_Area_List* HD_Create_Mem_Area_List() const override;
    HT_Dither_Matrix* HD_Create_Dither_Matrix() const override;
    HT_Dither_Matrix_List* HD_Create_Dither_Matrix_List() const override;
    HT_Dithering_Method* HD_Create_Dithering_Method() const override;
    HT_Dithering_List* HD_Create_Dithering_List() const override;
    HT_Resolution* HD_Create_Resolution() const override;
    HT_Resolution_List* HD_Create_Resolution_List() const override;
    HT_ResColorMem* HD_Create_ResColorMem() const override;
    HT_ResColorMem_List* HD_Create_ResColorMem_List() const override;
    HT_ResColorMem_Settings* HD_Create_ResColorMem_Settings() const override;
    HT_ResColorMem_Capabilities* HD_Create_ResColorMem_Capabilities() const override;
    HT_ResColorMem_Configuration* HD_Create_ResColorMem_Configuration() const override;
    HT_ResColorMem_Validator* HD_Create_ResColorMem_Validator() const override;
    HT_Plotter_Validator* HD_Create_Plotter_Validator() const override;
    HT_Plotter_Capabilities* HD_Create_Plotter_Capabilities(const char* a, const char* b,
                                                            const char* c) const override;
    HT_Caps_Name_List_Object* HD_Create_Caps_Name_List_Object() const override;
    HT_Caps_Name_List* HD_Create_Caps_Name_List() const override;
    HT_Plotter_Configuration* HD_Create_Plotter_Configuration(const char* a, const char* b,
                                                              const char* c) const override;
    HT_Plotter_Definition*
    HD_Create_Plotter_Definition(HT_Smart_Pointer<HT_Error_Handler> handler) const override;
    HT_Shoebox* HD_Create_Shoebox() const override;
    HT_AutoCAD_Shoebox* HD_Create_AutoCAD_Shoebox() const override;
};
