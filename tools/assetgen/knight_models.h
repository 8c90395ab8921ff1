// The knight's parts as meshes in memory (the credits portrait renders them).
#pragma once

#include "mesh_builder.h"

MeshBuilder knightBodyMesh();
MeshBuilder knightBootMesh(float side);
MeshBuilder knightBladeHandMesh();
