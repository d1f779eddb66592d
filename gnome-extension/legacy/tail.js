function init() {
    return new Lumenfall();
}
