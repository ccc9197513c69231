// JSON forms of the inventory, shared by the commands that print devices.
#pragma once

#include "devices/device_store.h"

#include <nlohmann/json.hpp>

nlohmann::ordered_json device_json(const device_c& record);
nlohmann::ordered_json device_class_json(const device_class_c& device_class);
nlohmann::ordered_json store_json(const device_store_c& store, const enumeration_progress_c& progress,
                                  failure_code_c failure);
