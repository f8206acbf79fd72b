form: customer entry
