// The embedded data's pieces live in city_table_*.cpp and icon_*.cpp beside this file.
