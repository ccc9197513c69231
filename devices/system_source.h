// What the machine the program runs on provides to the inventory: its device source and its
// class image list (SetupAPI). Windows only.
#pragma once

#include "devices/device_source.h"
#include "devices/device_store.h"

#include <windows.h>
#include <commctrl.h>

#include <memory>

std::unique_ptr<device_source_c> make_system_device_source();

// The system class image list, for the device store to own until teardown; null when the system
// gives none.
std::unique_ptr<class_images_c> make_system_class_images();

// The image list behind images made by make_system_class_images, for list views; null for any
// other images.
HIMAGELIST class_image_list(const class_images_c* images);
