// The files of a seed folder, read whole, for the replays of the fuzz targets.
#pragma once
#include <dirent.h>
#include <stdint.h>
#include <stdio.h>

#include <string>
#include <vector>

inline std::vector<uint8_t> ReadSeed(const std::string &path)
{
    std::vector<uint8_t> bytes;
    FILE *file = fopen(path.c_str(), "rb");
    if (!file) return bytes;
    int c;
    while ((c = fgetc(file)) != EOF) bytes.push_back((uint8_t)c);
    fclose(file);
    return bytes;
}

// Every file of `folder` but hidden ones; empty when the folder cannot be read.
inline std::vector<std::vector<uint8_t>> ReadSeedFolder(const char *folder)
{
    std::vector<std::vector<uint8_t>> seeds;
    if (DIR *dir = opendir(folder))
    {
        while (dirent *item = readdir(dir))
        {
            if (item->d_name[0] != '.') seeds.push_back(ReadSeed(std::string(folder) + "/" + item->d_name));
        }
        closedir(dir);
    }
    return seeds;
}
