#include "catalogue/messages.h"

#include <algorithm>

namespace catalogue {

const std::array<std::array<std::string, languageCount>, messageCount> messageTable = {{
    {"", ""},
    {"Connected", "Conectado"},
    {"Disconnected", "Desconectado"},
    {"Please, connect the device", "Por favor, conecte el dispositivo"},
    {"Connected to device", "Conectado a dispositivo"},
    {"Device not connected!",
     "\xA1"
     "Dispositivo no conectado!"},
    {"Error, damaged device", "Error, el dispositivo esta dama\xF1o"},
    {"Processing...", "Operacion en proceso..."},
    {"Operation completed", "Operacion finalizada"},
    {"Error: Operation failed", "Error: Operacion fallida"},
    {"File opened", "Fichero abierto"},
    {"File created", "Fichero creado"},
    {"Error opening file", "Error abriendo archivo"},
    {"Error creating file", "Error creando archivo"},
    {"Error reading firmware", "Error leyendo el firmware"},
    {"Product successfully registered.", "Producto registrado correctamente."},
    {"Error, Username already registered.\nPlease try again.",
     "Error, el usuario ya existe.\nPor favor, intentalo de nuevo."},
    {"Error, invalid data.\nPlease try again.", "Error, datos invalidos.\nPor favor, intentalo de nuevo."},
}};

std::string getMessage(int index, int language) {
    const int row = std::clamp(index, 0, messageCount - 1);
    const int column = std::clamp(language, 0, languageCount - 1);
    return messageTable[row][column];
}

}  // namespace catalogue
